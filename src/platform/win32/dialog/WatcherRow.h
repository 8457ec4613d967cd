// The Linux settings dialog's one row beyond its template: "Show the clock when the computer
// is idle for [N] minutes", which turns zarn-screensaver-watch on and off. Added under the
// template's settings, above its buttons, by the GTK dialog only, and only where it can work:
// the watcher is installed beside this program and no screen-saver host already runs savers here.
#pragma once

#include "ZarnResources.h"
#include "win32/dialog/WatcherChoice.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

class WatcherRow {
public:
    // None where the row does not belong (see above).
    static std::unique_ptr<WatcherRow> createIfUseful();

    // The row's height in pixels, its gap above included, at the dialog's font.
    int height(ZarnDialogBaseUnits units) const;
    // Places the row's widgets at `top` (client pixels) and reads the autostart entry.
    void place(GtkFixed* fixed, ZarnDialogBaseUnits units, int top);
    // The row's focusable widgets in Tab order.
    const std::vector<GtkWidget*>& tabStops() const { return stops_; }

    // Before OK reaches the dialog procedure: a wait out of range is refused, said in a
    // message over the dialog, and the wait box gets the focus; false then. The message goes
    // when `stop` turns true.
    bool acceptOk(GtkWindow* dialog, const bool* stop);
    // After OK has ended the dialog: does what the watcher's --enable / --disable would, when
    // the row was changed; a failure is shown, since the dialog itself has closed.
    void applyAfterOk(GtkWindow* dialog, const bool* stop);

private:
    explicit WatcherRow(std::string watcher) : watcher_(std::move(watcher)) {}
    WatcherRowState chosen() const;

    std::string watcher_;
    std::string entryPath_;
    WatcherRowState shown_;
    GtkWidget* tick_ = nullptr;
    GtkWidget* wait_ = nullptr;
    std::vector<GtkWidget*> stops_;
};
