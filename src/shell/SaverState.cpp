#include "shell/SaverState.h"

SaverState saverState;
