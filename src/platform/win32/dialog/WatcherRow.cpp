// The watcher row in GTK (see WatcherRow.h). Whether a host runs savers is decided by the
// watcher's own rule (saverHostNotice) from the signs the watcher reads (saverHostsPresent).
// OK runs the watcher program itself rather than repeating what --enable does: it also has
// to end and start the session's running watcher, which is that program's business.
#include "win32/dialog/WatcherRow.h"

#include "platform/session/SaverHosts.h"
#include "platform/session/SessionBus.h"
#include "watch/AutostartEntry.h"

#include <gdk/gdkx.h>

#include <cstdio>

namespace {

// Two lines, as the frame sync box has: the text is wider than the dialog.
const char* const tickText = "Show the clock when the computer is";
const char* const waitText = "idle for";
const char* const unitText = "minutes";
const char* const watcherName = "zarn-screensaver-watch";
// Dialog units, from the bottom of the setting above: the check boxes' spacing, the tick box's
// line in the settings' column, then the wait's line indented as the frame sync box's second
// line is; the row reaches the template's right margin.
constexpr short tickLeft = 53, tickTop = 4, waitLeft = 65, waitTop = 16, rowHeight = 28, rowWidth = 154;

std::string programFolder() {
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    if (!self) return {};
    gchar* folder = g_path_get_dirname(self);
    std::string result = folder;
    g_free(folder);
    g_free(self);
    return result;
}

bool saverHostRuns() {
    GdkDisplay* display = gdk_display_get_default();
    Display* x = display && GDK_IS_X11_DISPLAY(display) ? GDK_DISPLAY_XDISPLAY(display) : nullptr;
    GDBusConnection* bus = sessionBusIfThere();
    if (x) gdk_x11_display_error_trap_push(display);
    const SaverHostsPresent hosts = saverHostsPresent(x, bus);
    if (x) gdk_x11_display_error_trap_pop_ignored(display);
    if (bus) g_object_unref(bus);
    return saverHostNotice(hosts).has_value();
}

// A message over the dialog until it is answered, or until `stop` turns true (the program
// was asked to end), so that no message outlives the request.
void showMessage(GtkWindow* over, GtkMessageType type, const std::string& text, const std::string& detail,
                 const bool* stop) {
    GtkWidget* box = gtk_message_dialog_new(over, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", text.c_str());
    if (!detail.empty()) gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box), "%s", detail.c_str());
    gtk_window_set_title(GTK_WINDOW(box), over ? gtk_window_get_title(over) : "");
    bool answered = false;
    g_signal_connect(box, "response", G_CALLBACK(+[](GtkDialog*, gint, gpointer flag) {
                         *static_cast<bool*>(flag) = true;
                     }),
                     &answered);
    gtk_widget_show_all(box);
    while (!answered && !*stop) gtk_main_iteration_do(TRUE);
    gtk_widget_destroy(box);
}

}  // namespace

std::unique_ptr<WatcherRow> WatcherRow::createIfUseful() {
    const std::string folder = programFolder();
    if (folder.empty()) return nullptr;
    std::string watcher = folder + "/" + watcherName;
    if (!g_file_test(watcher.c_str(), G_FILE_TEST_IS_EXECUTABLE) || saverHostRuns()) return nullptr;
    return std::unique_ptr<WatcherRow>(new WatcherRow(std::move(watcher)));
}

int WatcherRow::height(ZarnDialogBaseUnits units) const {
    const RECT r = ZarnDialogUnitsToPixels(units, 0, 0, 0, rowHeight);
    return r.bottom - r.top;
}

void WatcherRow::place(GtkFixed* fixed, ZarnDialogBaseUnits units, int top) {
    entryPath_ = std::string(g_get_user_config_dir()) + "/autostart/" + autostartEntryName;
    gchar* text = nullptr;
    gsize length = 0;
    std::optional<std::string> entry;
    if (g_file_get_contents(entryPath_.c_str(), &text, &length, nullptr)) entry = std::string(text, length);
    g_free(text);
    shown_ = watcherRowFromEntry(entry);

    tick_ = gtk_check_button_new_with_label(tickText);
    wait_ = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(wait_), 4);
    gtk_entry_set_input_purpose(GTK_ENTRY(wait_), GTK_INPUT_PURPOSE_DIGITS);
    gtk_entry_set_alignment(GTK_ENTRY(wait_), 1.0f);
    gtk_entry_set_text(GTK_ENTRY(wait_), shown_.minutesText.c_str());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(tick_), shown_.enabled);
    gtk_widget_set_sensitive(wait_, shown_.enabled);
    g_signal_connect(tick_, "toggled", G_CALLBACK(+[](GtkToggleButton* tick, gpointer wait) {
                         gtk_widget_set_sensitive(GTK_WIDGET(wait), gtk_toggle_button_get_active(tick));
                     }),
                     wait_);

    GtkWidget* line = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_box_pack_start(GTK_BOX(line), gtk_label_new(waitText), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(line), wait_, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(line), gtk_label_new(unitText), FALSE, FALSE, 0);
    const RECT tickPlace = ZarnDialogUnitsToPixels(units, tickLeft, tickTop, rowWidth, 10);
    const RECT waitPlace = ZarnDialogUnitsToPixels(units, waitLeft, waitTop, rowWidth - (waitLeft - tickLeft), 12);
    gtk_widget_set_size_request(tick_, -1, tickPlace.bottom - tickPlace.top);
    gtk_fixed_put(fixed, tick_, tickPlace.left, top + tickPlace.top);
    gtk_fixed_put(fixed, line, waitPlace.left, top + waitPlace.top);
    stops_ = {tick_, wait_};
}

WatcherRowState WatcherRow::chosen() const {
    WatcherRowState state;
    state.enabled = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(tick_));
    state.minutesText = gtk_entry_get_text(GTK_ENTRY(wait_));
    return state;
}

bool WatcherRow::acceptOk(GtkWindow* dialog, const bool* stop) {
    const WatcherRowState state = chosen();
    if (!state.enabled || watcherRowMinutes(state.minutesText)) return true;
    showMessage(dialog, GTK_MESSAGE_WARNING,
                "The wait must be a whole number of minutes from 1 to " + std::to_string(watcherRowLongestMinutes) +
                    ".",
                "", stop);
    gtk_widget_grab_focus(wait_);
    return false;
}

void WatcherRow::applyAfterOk(GtkWindow* dialog, const bool* stop) {
    const std::vector<std::string> arguments = watcherRowCommand(shown_, chosen());
    if (arguments.empty()) return;
    std::vector<const char*> argv = {watcher_.c_str()};
    std::string command = watcherName;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
        command += " " + argument;
    }
    argv.push_back(nullptr);
    // The watcher's messages go where this program's go; a watcher it starts keeps them.
    gint status = 0;
    GError* error = nullptr;
    const bool ran = g_spawn_sync(nullptr, const_cast<gchar**>(argv.data()), nullptr, G_SPAWN_STDIN_FROM_DEV_NULL,
                                  nullptr, nullptr, nullptr, nullptr, &status, &error);
    std::string why;
    if (!ran) {
        why = error ? error->message : "it did not start";
        if (error) g_error_free(error);
    } else if (!g_spawn_check_wait_status(status, &error)) {
        why = error ? error->message : "it failed";
        if (error) g_error_free(error);
    } else {
        return;
    }
    std::fprintf(stderr, "zarn-screensaver: %s: %s\n", command.c_str(), why.c_str());
    showMessage(dialog, GTK_MESSAGE_ERROR,
                arguments[0] == "--disable" ? "Turning the idle watcher off failed."
                                            : "Turning the idle watcher on failed.",
                command + ": " + why + " (its own messages went to the standard error)", stop);
}
