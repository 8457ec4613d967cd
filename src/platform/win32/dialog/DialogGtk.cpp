// DialogBoxParamA on GTK 3: a modal window with every template control placed absolutely at
// its dialog-unit position turned into pixels, so layouts and pixel areas laid out for
// Windows hold. User input reaches the dialog procedure as Win32 messages: WM_COMMAND for
// buttons, check boxes, list changes, Return (the default button) and Escape or the close
// button (IDCANCEL); WM_MOUSEMOVE and WM_LBUTTONDOWN with client coordinates; WM_PAINT.
// Tab and Shift+Tab walk the WS_TABSTOP controls in template order, as a dialog manager does.
// GTK is started here on first use only, so the saver's own modes never touch it.
// The dialog may grow one row of Linux's own: the idle watcher's switch (WatcherRow), with the
// settings, above the template's line of push buttons (which moves down to make room), and in
// the Tab order where it stands; acted on only when OK ends the dialog.
#include "win32/dialog/DialogObject.h"
#include "win32/dialog/WatcherRow.h"

#include "win32/messages/CloseSignals.h"
#include "win32/window/WindowObject.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

// Ampersands mark mnemonics in Win32 texts ("&&" is a plain one); GTK uses underscores.
std::string gtkMnemonic(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            if (text[i + 1] == '&') out += '&';
            else out += '_';
            if (text[i + 1] == '&') ++i;
            continue;
        }
        if (text[i] == '_') out += "__";
        else out += text[i];
    }
    return out;
}

// The look of a Windows dialog at its 8-point font: compact buttons, lists and check boxes
// that fit the sizes the template gives them.
const char* const dialogCss =
    ".zarn-dialog, .zarn-dialog * { font-family: \"MS Sans Serif\", \"DejaVu Sans Condensed\", sans-serif;"
    " font-size: 8pt; }\n"
    ".zarn-dialog button { padding: 0 4px; min-height: 0; min-width: 0; }\n"
    ".zarn-dialog combobox button { padding: 0 2px 0 4px; }\n"
    ".zarn-dialog checkbutton { padding: 0; min-height: 0; }\n"
    ".zarn-dialog check { margin: 0 5px 0 0; min-width: 12px; min-height: 12px; }\n"
    ".zarn-dialog entry { min-height: 0; padding: 0 3px; }\n";

bool startGtk() {
    static int started = -1;
    if (started < 0) {
        // X11 first: owners are X windows (a settings program's, or a window id on the
        // command line), and only X lets a dialog be transient for a foreign window.
        gdk_set_allowed_backends("x11,*");
        started = gtk_init_check(nullptr, nullptr) ? 1 : 0;
        if (started) {
            GtkCssProvider* css = gtk_css_provider_new();
            gtk_css_provider_load_from_data(css, dialogCss, -1, nullptr);
            gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                                      GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
            g_object_unref(css);
        }
    }
    return started == 1;
}

// The X window an owner handle names: our own SDL window's, or a foreign window's id.
Window ownerXWindow(HWND owner) {
    if (!owner) return 0;
    if (zarnIsLiveWindow(owner)) {
        if (owner->kind != WindowKind::Sdl || !owner->sdlWindow) return 0;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(owner->sdlWindow, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
        return info.info.x11.window;
    }
    return Window(reinterpret_cast<uintptr_t>(owner));
}

WPARAM mouseKeyState(guint state) {
    WPARAM keys = 0;
    if (state & GDK_BUTTON1_MASK) keys |= MK_LBUTTON;
    if (state & GDK_BUTTON2_MASK) keys |= MK_MBUTTON;
    if (state & GDK_BUTTON3_MASK) keys |= MK_RBUTTON;
    if (state & GDK_SHIFT_MASK) keys |= MK_SHIFT;
    if (state & GDK_CONTROL_MASK) keys |= MK_CONTROL;
    return keys;
}

LPARAM clientPoint(double x, double y) { return MAKELPARAM(WORD(short(x)), WORD(short(y))); }

class GtkDialogView : public DialogView {
public:
    explicit GtkDialogView(DialogObject* dialog) : dialog(dialog) {}
    ~GtkDialogView() override {
        if (window) gtk_widget_destroy(window);
    }

    void build(HWND owner);
    void run();
    void focus(HWND control) {
        for (size_t i = 0; i < widgets.size(); ++i)
            if (dialog->controls[i].handle == control) gtk_widget_grab_focus(widgets[i]);
    }

    void entriesChanged(const DialogControl& control) override {
        GtkWidget* w = widgetOf(control);
        if (!w) return;
        Updating guard(this);
        gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(w));
        for (const std::string& entry : control.entries) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w), entry.c_str());
        gtk_combo_box_set_active(GTK_COMBO_BOX(w), control.selection);
    }
    void selectionChanged(const DialogControl& control) override {
        if (GtkWidget* w = widgetOf(control)) {
            Updating guard(this);
            gtk_combo_box_set_active(GTK_COMBO_BOX(w), control.selection);
        }
    }
    void checkChanged(const DialogControl& control) override {
        if (GtkWidget* w = widgetOf(control)) {
            Updating guard(this);
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), control.checked);
        }
    }
    void fontChanged(const DialogControl& control) override;
    void classCursorChanged(HCURSOR cursor) override { showCursor(cursor); }

private:
    struct Updating {
        explicit Updating(GtkDialogView* v) : view(v) { ++view->updating; }
        ~Updating() { --view->updating; }
        GtkDialogView* view;
    };

    GtkWidget* widgetOf(const DialogControl& control) const {
        const size_t i = size_t(&control - dialog->controls.data());
        return i < widgets.size() ? widgets[i] : nullptr;
    }
    GtkWidget* makeWidget(DialogControl& control);
    void sendCommand(const DialogControl* control, int id, WORD code) {
        // A refused row keeps the dialog open with nothing saved, as if OK had not been pressed.
        if (id == IDOK && row && !row->acceptOk(GTK_WINDOW(window), &dialog->ended)) return;
        zarnCallDialogProc(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                           reinterpret_cast<LPARAM>(control ? control->handle : nullptr));
        if (id == IDOK && dialog->ended) endedByOk = true;
    }
    int defaultButtonId() const {
        for (const DialogControl& c : dialog->controls)
            if (c.kind == DialogControlKind::pushButton && (c.style & 0x0F) == BS_DEFPUSHBUTTON) return c.id;
        return IDOK;
    }
    bool tabStop(size_t i) const {
        return (dialog->controls[i].style & WS_TABSTOP) && gtk_widget_get_sensitive(widgets[i]);
    }
    // The template's tab stops in their order, with the row's before the buttons' line.
    std::vector<GtkWidget*> focusOrder() const;
    // The top of the template's lowest line of push buttons, in pixels; the row goes above it.
    int buttonLineTop() const;
    int shownHeight(const DialogControl& control) const {
        // A drop-down list's template height is its open list; closed it is one line high,
        // the font's height plus the box's edges.
        if (control.kind == DialogControlKind::comboList) return dialog->baseUnits.y + 8;
        return control.pixels.bottom - control.pixels.top;
    }
    void moveFocus(bool backwards);
    void showCursor(HCURSOR cursor) {
        GdkWindow* surface = events ? gtk_widget_get_window(events) : nullptr;
        if (!surface) return;
        const char* name = zarnSystemCursorId(cursor) == 32649 ? "pointer" : "default";
        GdkCursor* shape = gdk_cursor_new_from_name(gdk_window_get_display(surface), name);
        gdk_window_set_cursor(surface, shape);
        if (shape) g_object_unref(shape);
    }
    gboolean keyPressed(GdkEventKey* key);

    static gboolean onKey(GtkWidget*, GdkEventKey* key, gpointer self) {
        return static_cast<GtkDialogView*>(self)->keyPressed(key);
    }
    static gboolean onDelete(GtkWidget*, GdkEvent*, gpointer self) {
        auto* view = static_cast<GtkDialogView*>(self);
        view->sendCommand(nullptr, IDCANCEL, BN_CLICKED);
        return TRUE;  // the procedure decides whether the dialog ends
    }
    // An event that bubbled up from a control carries coordinates in that control's own
    // window; the procedure always gets them in the dialog's client area.
    LPARAM clientPointOf(double rootX, double rootY) const {
        GdkWindow* surface = events ? gtk_widget_get_window(events) : nullptr;
        int left = 0, top = 0;
        if (surface) gdk_window_get_origin(surface, &left, &top);
        return clientPoint(rootX - left, rootY - top);
    }
    static gboolean onMotion(GtkWidget*, GdkEventMotion* motion, gpointer self) {
        auto* view = static_cast<GtkDialogView*>(self);
        zarnCallDialogProc(view->dialog, WM_MOUSEMOVE, mouseKeyState(motion->state),
                           view->clientPointOf(motion->x_root, motion->y_root));
        return FALSE;
    }
    // The pointer passing between the dialog's face and a control's own window arrives as
    // crossing events, often without a motion event at the new place: it is a move too.
    static gboolean onCrossing(GtkWidget*, GdkEventCrossing* crossing, gpointer self) {
        auto* view = static_cast<GtkDialogView*>(self);
        const LPARAM at = view->clientPointOf(crossing->x_root, crossing->y_root);
        const int x = short(LOWORD(at)), y = short(HIWORD(at));
        const RECT& client = view->dialog->clientPixels;
        if (x >= 0 && y >= 0 && x < client.right - client.left && y < client.bottom - client.top + view->rowHeight)
            zarnCallDialogProc(view->dialog, WM_MOUSEMOVE, mouseKeyState(crossing->state), at);
        return FALSE;
    }
    static gboolean onButton(GtkWidget*, GdkEventButton* button, gpointer self) {
        auto* view = static_cast<GtkDialogView*>(self);
        if (button->type == GDK_BUTTON_PRESS && button->button == 1)
            zarnCallDialogProc(view->dialog, WM_LBUTTONDOWN, mouseKeyState(button->state) | MK_LBUTTON,
                               view->clientPointOf(button->x_root, button->y_root));
        return FALSE;
    }
    static gboolean onDraw(GtkWidget*, cairo_t*, gpointer self) {
        zarnCallDialogProc(static_cast<GtkDialogView*>(self)->dialog, WM_PAINT, 0, 0);
        return FALSE;
    }
    // The system asks the program to end: as the close button, Cancel.
    static gboolean onCloseSignal(gint, GIOCondition, gpointer self) {
        auto* view = static_cast<GtkDialogView*>(self);
        if (!zarnTakeCloseSignal()) return G_SOURCE_CONTINUE;
        // Once the dialog has ended, only a message of the watcher row can still be showing.
        if (view->dialog->ended) view->closeSignalled = true;
        else view->sendCommand(nullptr, IDCANCEL, BN_CLICKED);
        return G_SOURCE_CONTINUE;
    }
    static void onRealize(GtkWidget*, gpointer self) {
        auto* view = static_cast<GtkDialogView*>(self);
        view->showCursor(zarnDialogClassCursor());
    }

    DialogObject* dialog;
    GtkWidget* window = nullptr;
    GtkWidget* events = nullptr;
    std::vector<GtkWidget*> widgets;
    std::unique_ptr<WatcherRow> row;
    int rowTop = 0, rowHeight = 0;
    bool endedByOk = false;
    bool closeSignalled = false;
    int updating = 0;
};

struct ControlSignal {
    GtkDialogView* view;
    DialogControl* control;
};

GtkWidget* bitmapWidget(const DialogControl& control) {
    const char* path = ZarnImageResourcePath(control.imageId, false);
    const int width = control.pixels.right - control.pixels.left, height = control.pixels.bottom - control.pixels.top;
    GdkPixbuf* picture = path ? gdk_pixbuf_new_from_file_at_scale(path, width * 2, height * 2, FALSE, nullptr) : nullptr;
    if (!picture) return gtk_image_new();
    // Drawn at twice the dialog's pixel size, so it is sharp at a display scale of 2 and
    // exactly fills the control at 1.
    cairo_surface_t* surface = gdk_cairo_surface_create_from_pixbuf(picture, 2, nullptr);
    GtkWidget* image = gtk_image_new_from_surface(surface);
    cairo_surface_destroy(surface);
    g_object_unref(picture);
    return image;
}

GtkWidget* GtkDialogView::makeWidget(DialogControl& control) {
    auto* signal = new ControlSignal{this, &control};
    auto freeSignal = [](gpointer data, GClosure*) { delete static_cast<ControlSignal*>(data); };
    GtkWidget* w = nullptr;
    switch (control.kind) {
    case DialogControlKind::pushButton:
        w = gtk_button_new_with_mnemonic(gtkMnemonic(control.text).c_str());
        g_signal_connect_data(w, "clicked", G_CALLBACK(+[](GtkButton*, gpointer data) {
                                  auto* s = static_cast<ControlSignal*>(data);
                                  s->view->sendCommand(s->control, s->control->id, BN_CLICKED);
                              }),
                              signal, freeSignal, GConnectFlags(0));
        break;
    case DialogControlKind::checkBox:
        w = gtk_check_button_new_with_mnemonic(gtkMnemonic(control.text).c_str());
        g_signal_connect_data(w, "toggled", G_CALLBACK(+[](GtkToggleButton* box, gpointer data) {
                                  auto* s = static_cast<ControlSignal*>(data);
                                  if (s->view->updating) return;
                                  s->control->checked = gtk_toggle_button_get_active(box);
                                  s->view->sendCommand(s->control, s->control->id, BN_CLICKED);
                              }),
                              signal, freeSignal, GConnectFlags(0));
        break;
    case DialogControlKind::comboList:
        w = gtk_combo_box_text_new();
        g_signal_connect_data(w, "changed", G_CALLBACK(+[](GtkComboBox* list, gpointer data) {
                                  auto* s = static_cast<ControlSignal*>(data);
                                  if (s->view->updating) return;
                                  s->control->selection = gtk_combo_box_get_active(list);
                                  s->view->sendCommand(s->control, s->control->id, CBN_SELCHANGE);
                              }),
                              signal, freeSignal, GConnectFlags(0));
        break;
    case DialogControlKind::staticBitmap:
        delete signal;
        return bitmapWidget(control);
    case DialogControlKind::staticText:
        delete signal;
        w = gtk_label_new(control.text.c_str());
        gtk_label_set_xalign(GTK_LABEL(w), (control.style & 0x3) == SS_CENTER ? 0.5f : 0.0f);
        gtk_label_set_yalign(GTK_LABEL(w), 0.0f);
        gtk_label_set_line_wrap(GTK_LABEL(w), TRUE);
        gtk_label_set_justify(GTK_LABEL(w), (control.style & 0x3) == SS_CENTER ? GTK_JUSTIFY_CENTER : GTK_JUSTIFY_LEFT);
        return w;
    }
    gtk_widget_set_can_focus(w, (control.style & WS_TABSTOP) != 0);
    return w;
}

void GtkDialogView::fontChanged(const DialogControl& control) {
    GtkWidget* w = widgetOf(control);
    const LOGFONTA* font = zarnFontDescription(control.font);
    if (!w || !GTK_IS_LABEL(w)) return;
    PangoAttrList* attributes = pango_attr_list_new();
    if (font) {
        if (font->lfWeight > 0) pango_attr_list_insert(attributes, pango_attr_weight_new(PangoWeight(font->lfWeight)));
        if (font->lfUnderline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font->lfItalic) pango_attr_list_insert(attributes, pango_attr_style_new(PANGO_STYLE_ITALIC));
        // "MS Sans Serif" is a bitmap face whose smallest size is the dialog font's own
        // (a 13-pixel cell); Windows answers a smaller request with it, and so do we.
        const LONG cell = font->lfHeight < 0 ? LONG(-font->lfHeight * 1.2) : font->lfHeight;
        const bool rasterFace = std::string(font->lfFaceName) == "MS Sans Serif";
        if (cell > 0 && !(rasterFace && cell <= dialog->baseUnits.y))
            pango_attr_list_insert(attributes, pango_attr_size_new_absolute(int(cell / 1.2 * PANGO_SCALE)));
    }
    gtk_label_set_attributes(GTK_LABEL(w), attributes);
    pango_attr_list_unref(attributes);
}

std::vector<GtkWidget*> GtkDialogView::focusOrder() const {
    std::vector<GtkWidget*> order;
    bool rowTaken = !row;
    const auto takeRow = [&] {
        order.insert(order.end(), row->tabStops().begin(), row->tabStops().end());
        rowTaken = true;
    };
    for (size_t i = 0; i < widgets.size(); ++i) {
        if (!rowTaken && dialog->controls[i].pixels.top >= rowTop) takeRow();
        order.push_back(widgets[i]);
    }
    if (!rowTaken) takeRow();
    return order;
}

int GtkDialogView::buttonLineTop() const {
    int top = -1;
    for (const DialogControl& c : dialog->controls)
        if (c.kind == DialogControlKind::pushButton) top = std::max<int>(top, c.pixels.top);
    return top >= 0 ? top : dialog->clientPixels.bottom - dialog->clientPixels.top;
}

void GtkDialogView::moveFocus(bool backwards) {
    const std::vector<GtkWidget*> order = focusOrder();
    const size_t count = order.size();
    if (count == 0) return;
    const auto stop = [&](size_t i) {
        for (size_t w = 0; w < widgets.size(); ++w)
            if (widgets[w] == order[i]) return tabStop(w);
        return bool(gtk_widget_get_sensitive(order[i]));
    };
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
    size_t current = count;
    for (size_t i = 0; i < count; ++i)
        if (focus && (order[i] == focus || gtk_widget_is_ancestor(focus, order[i]))) current = i;
    for (size_t step = 1; step <= count; ++step) {
        const size_t start = current == count ? (backwards ? 0 : count - 1) : current;
        const size_t i = backwards ? (start + count * 2 - step) % count : (start + step) % count;
        if (stop(i)) {
            gtk_widget_grab_focus(order[i]);
            return;
        }
    }
}

gboolean GtkDialogView::keyPressed(GdkEventKey* key) {
    const guint mods = key->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK);
    switch (key->keyval) {
    case GDK_KEY_Escape:
        sendCommand(nullptr, IDCANCEL, BN_CLICKED);
        return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
        if (mods) return FALSE;
        // A focused push button is the one pressed; anywhere else it is the default button.
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
        if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) {
            gtk_button_clicked(GTK_BUTTON(focus));
            return TRUE;
        }
        const int id = defaultButtonId();
        sendCommand(zarnDialogControl(dialog, id), id, BN_CLICKED);
        return TRUE;
    }
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab:
        if (mods) return FALSE;
        moveFocus(key->keyval == GDK_KEY_ISO_Left_Tab || (key->state & GDK_SHIFT_MASK));
        return TRUE;
    default:
        return FALSE;
    }
}

void GtkDialogView::build(HWND owner) {
    const ZarnDialogTemplate* t = dialog->dialogTemplate;
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(window), "zarn-dialog");
    gtk_window_set_title(GTK_WINDOW(window), t->caption ? t->caption : "");
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    if (const char* icon = ZarnProgramIconPath()) gtk_window_set_icon_from_file(GTK_WINDOW(window), icon, nullptr);

    events = gtk_event_box_new();
    gtk_widget_add_events(events,
                          GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
    GtkWidget* fixed = gtk_fixed_new();
    const RECT& client = dialog->clientPixels;
    row = WatcherRow::createIfUseful();
    if (row) {
        // Under the lowest setting above the buttons' line; that line and below make room.
        rowTop = buttonLineTop();
        int settingsBottom = 0;
        for (const DialogControl& c : dialog->controls)
            if (c.pixels.top < rowTop) settingsBottom = std::max<int>(settingsBottom, c.pixels.top + shownHeight(c));
        rowHeight = row->height(dialog->baseUnits);
        row->place(GTK_FIXED(fixed), dialog->baseUnits, settingsBottom);
    }
    gtk_widget_set_size_request(fixed, client.right - client.left, client.bottom - client.top + rowHeight);
    gtk_container_add(GTK_CONTAINER(events), fixed);
    gtk_container_add(GTK_CONTAINER(window), events);

    for (DialogControl& control : dialog->controls) {
        GtkWidget* w = makeWidget(control);
        gtk_widget_set_size_request(w, control.pixels.right - control.pixels.left, shownHeight(control));
        const int below = row && control.pixels.top >= rowTop ? rowHeight : 0;
        gtk_fixed_put(GTK_FIXED(fixed), w, control.pixels.left, control.pixels.top + below);
        widgets.push_back(w);
        if (control.kind == DialogControlKind::pushButton && (control.style & 0x0F) == BS_DEFPUSHBUTTON) {
            gtk_widget_set_can_default(w, TRUE);
            gtk_window_set_default(GTK_WINDOW(window), w);
        }
    }
    dialog->view = this;

    g_signal_connect(window, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect(events, "motion-notify-event", G_CALLBACK(onMotion), this);
    g_signal_connect(events, "button-press-event", G_CALLBACK(onButton), this);
    g_signal_connect(events, "enter-notify-event", G_CALLBACK(onCrossing), this);
    g_signal_connect(events, "leave-notify-event", G_CALLBACK(onCrossing), this);
    g_signal_connect(events, "draw", G_CALLBACK(onDraw), this);
    g_signal_connect(events, "realize", G_CALLBACK(onRealize), this);

    gtk_widget_realize(window);
    const Window ownerId = ownerXWindow(owner);
    GdkDisplay* display = gtk_widget_get_display(window);
    if (ownerId && GDK_IS_X11_DISPLAY(display)) {
        gdk_x11_display_error_trap_push(display);
        GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, ownerId);
        if (foreign) {
            gdk_window_set_transient_for(gtk_widget_get_window(window), foreign);
            g_object_unref(foreign);
        }
        gdk_x11_display_error_trap_pop_ignored(display);
    }
}

void GtkDialogView::run() {
    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
    const int signals = zarnCloseSignalDescriptor();
    const guint signalWatch = signals >= 0 ? g_unix_fd_add(signals, G_IO_IN, onCloseSignal, this) : 0;
    while (!dialog->ended) gtk_main_iteration_do(TRUE);
    gtk_widget_hide(window);
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    if (endedByOk && row) row->applyAfterOk(GTK_WINDOW(window), &closeSignalled);
    if (signalWatch) g_source_remove(signalWatch);
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    const ZarnDialogTemplate* dialogTemplate = ZarnFindDialogResource(lpTemplateName);
    if (!dialogTemplate || !lpDialogFunc) return -1;
    // Before GTK starts, so that a signal while it does is not lost but waits for the loop.
    zarnCatchCloseSignals();
    if (!startGtk()) return -1;
    DialogObject* dialog = zarnCreateDialogObject(dialogTemplate, lpDialogFunc);
    if (!dialog) return -1;
    dialog->handle->parent = hWndParent;
    INT_PTR result = -1;
    {
        GtkDialogView view(dialog);
        view.build(hWndParent);
        // WM_INITDIALOG's wParam is the control that gets the focus: the first tab stop.
        HWND firstStop = nullptr;
        for (const DialogControl& c : dialog->controls)
            if (c.style & WS_TABSTOP) {
                firstStop = c.handle;
                break;
            }
        const INT_PTR focusDefault =
            zarnCallDialogProc(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstStop), dwInitParam);
        if (!dialog->ended) {
            if (focusDefault && firstStop) view.focus(firstStop);
            view.run();
        }
        result = dialog->result;
        dialog->view = nullptr;
    }
    zarnDestroyDialogObject(dialog);
    return result;
}
