// Program building. Attribute names commonly used by our effects are bound to the fixed
// locations before linking; an explicit layout qualifier in the shader wins over these.
#include "d3d9/gl/GLProgramBuilder.h"

#include "win32/messages/DesktopPings.h"

#include <vector>

namespace {

void appendLog(GLuint object, bool isProgram, const char* stage, std::string* log) {
    if (!log) return;
    GLint length = 0;
    isProgram ? glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length) : glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return;
    std::vector<char> text(size_t(length) + 1, '\0');
    isProgram ? glGetProgramInfoLog(object, length, nullptr, text.data())
              : glGetShaderInfoLog(object, length, nullptr, text.data());
    *log += stage;
    *log += ": ";
    *log += text.data();
    if (!log->empty() && log->back() != '\n') *log += '\n';
}

GLuint compile(GLenum kind, const char* source, const char* stage, std::string* log) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    // Compiling and linking are the slow part of loading an effect on a software renderer.
    zarnAnswerDesktopPings();
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    appendLog(shader, false, stage, log);
    if (!ok) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

GLuint glbuildProgram(const char* vertexSource, const char* fragmentSource, std::string* log) {
    if (log) log->clear();
    if (!vertexSource || !fragmentSource) {
        if (log) *log = "missing shader source\n";
        return 0;
    }
    GLuint vs = compile(GL_VERTEX_SHADER, vertexSource, "vertex shader", log);
    GLuint fs = compile(GL_FRAGMENT_SHADER, fragmentSource, "fragment shader", log);
    if (!vs || !fs) {
        if (vs) glDeleteShader(vs);
        if (fs) glDeleteShader(fs);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    static const struct {
        GLuint location;
        const char* name;
    } conventional[] = {{0, "inPosition"}, {1, "inNormal"}, {2, "inTexCoord"}, {3, "inBinormal"},
                        {4, "inTangent"},  {5, "inColour"}, {6, "inTexCoord1"}, {7, "inTexCoord2"}};
    for (const auto& attribute : conventional) glBindAttribLocation(program, attribute.location, attribute.name);
    zarnAnswerDesktopPings();
    glLinkProgram(program);
    zarnAnswerDesktopPings();
    glDetachShader(program, vs);
    glDetachShader(program, fs);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    appendLog(program, true, "link", log);
    if (!ok) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}
