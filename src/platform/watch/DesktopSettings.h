// The desktop's own settings, as far as the watcher reads them.
#pragma once

// A desktop's blank delay in seconds (its session schema's idle-delay), 0 where the schema is
// not installed or the desktop never blanks.
unsigned desktopBlankDelaySeconds(const char* schemaId);
