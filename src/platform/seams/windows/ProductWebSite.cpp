// Windows side of the dialog's link text, which the resource script writes out on its own.
#include "shell/ConfigDialog.h"

const char* const productWebSite = ZARN_PRODUCT_WEB_SITE;
