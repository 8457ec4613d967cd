// Compiling and linking GLSL programs with the driver's log, and fixing the attribute
// locations by usage before the link so effect shaders need no layout qualifiers.
#pragma once

#include <epoxy/gl.h>

#include <string>

// 0 on failure; *log receives the compile and link logs (warnings too), each prefixed with
// the stage it came from.
GLuint glbuildProgram(const char* vertexSource, const char* fragmentSource, std::string* log);
