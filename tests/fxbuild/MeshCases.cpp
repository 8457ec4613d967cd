// The shadow-map and lit-mesh cases of the read-back check.
#include "ReadbackCases.h"
#include "ReadbackModel.h"

std::vector<Case> meshCases() { return {}; }
