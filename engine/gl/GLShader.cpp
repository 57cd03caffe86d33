#include "engine/gl/GLShader.h"

#include "foundation/core/Versions.h"
#include "platform/GL.h"
#include "platform/Paths.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kInfoLogMax = 512;
// far above any real shader source
constexpr uint64_t kMaxShaderFileSize = uint64_t(4) << 20;

// Compiles one stage; returns the shader name or 0 with the driver's log in `log`.
GLuint CompileStage(GLenum type, const char* source, std::string& log)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok)
        return shader;
    char info[kInfoLogMax] = {};
    GLsizei len = 0;
    glGetShaderInfoLog(shader, kInfoLogMax, &len, info);
    log.assign(info, size_t(len < 0 ? 0 : len));
    glDeleteShader(shader);
    return 0;
}

} // namespace

std::unique_ptr<char[]> CGLShader::Load(const char* path)
{
    const std::string resolved = platform::ResolvePath(path ? path : "");
    std::vector<uint8_t> bytes;
    std::string why = "not found";
    if (!path || !platform::ReadWholeFile(resolved, bytes, kMaxShaderFileSize, &why)) {
        if (why == "not found")
            CVersions::Print(false, "CGLShader::Load Shader file not found: %s\n", path ? path : "");
        else
            CVersions::Print(false, "CGLShader::Load Shader file %s: %s\n", path, why.c_str());
        return nullptr;
    }
    if (bytes.empty()) {
        CVersions::Print(false, "CGLShader::Load Shader file is empty: %s\n", path);
        return nullptr;
    }
    std::unique_ptr<char[]> buf(new char[bytes.size() + 1]);
    std::memcpy(buf.get(), bytes.data(), bytes.size());
    buf[bytes.size()] = '\0';
    return buf;
}

bool CGLShader::Create(const std::string& fragmentPath, const std::string& vertexPath, const std::string& geometryPath)
{
    if (m_program != -1) {
        glUseProgram(0);
        glDeleteProgram(GLuint(m_program));
    }
    m_fragment = m_vertex = m_geometry = m_program = -1;
    m_aPosition = m_aNormal = m_aTexCoord = m_aColor = -1;

    if (fragmentPath.empty() || vertexPath.empty())
        return CVersions::Print(false, "CGLShader::Create Files Empty path\n");

    std::string log;
    auto vsrc = Load(vertexPath.c_str());
    if (!vsrc)
        return false;
    const GLuint vs = CompileStage(GL_VERTEX_SHADER, vsrc.get(), log);
    vsrc.reset();
    if (!vs)
        return CVersions::Print(false, "CGLShader::Create Vertex Shader Compilation Error: %s\n", log.c_str());

    auto fsrc = Load(fragmentPath.c_str());
    if (!fsrc) {
        glDeleteShader(vs);
        return false;
    }
    const GLuint fs = CompileStage(GL_FRAGMENT_SHADER, fsrc.get(), log);
    fsrc.reset();
    if (!fs) {
        glDeleteShader(vs);
        return CVersions::Print(false, "CGLShader::Create Fragment Shader Compilation Error: %s\n", log.c_str());
    }

    GLuint gs = 0;
    if (!geometryPath.empty()) {
        auto gsrc = Load(geometryPath.c_str());
        if (!gsrc) {
            glDeleteShader(vs);
            glDeleteShader(fs);
            return CVersions::Print(false, "CGLShader::Create Geometry Shader Loading Error: %s\n", geometryPath.c_str());
        }
        gs = CompileStage(GL_GEOMETRY_SHADER, gsrc.get(), log);
        if (!gs) {
            glDeleteShader(vs);
            glDeleteShader(fs);
            return CVersions::Print(false, "CGLShader::Create Geometry Shader Compilation Error: %s\n", log.c_str());
        }
    }

    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    if (gs)
        glAttachShader(program, gs);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    glDeleteShader(vs);
    glDeleteShader(fs);
    if (gs)
        glDeleteShader(gs);
    if (!linked) {
        char info[kInfoLogMax] = {};
        GLsizei len = 0;
        glGetProgramInfoLog(program, kInfoLogMax, &len, info);
        glDeleteProgram(program);
        return CVersions::Print(false, "CGLShader::Create Shader Program Linking Error: %s\n", info);
    }

    m_program = int(program);
    glUseProgram(program);
    QueryAttribs();
    glUseProgram(0);
    return CVersions::Print(true, "CGLShader::Create VERT(%s), FRAG(%s), GEOM(%s) SUCCSEEDED !\n", vertexPath.c_str(),
                            fragmentPath.c_str(), geometryPath.c_str());
}

void CGLShader::Delete()
{
    if (m_program != -1) {
        glUseProgram(0);
        glDeleteProgram(GLuint(m_program));
    }
    m_fragment = m_vertex = m_geometry = m_program = -1;
}

void CGLShader::Use()
{
    glUseProgram(m_program != -1 ? GLuint(m_program) : 0);
}

void CGLShader::Unuse()
{
    glUseProgram(0);
}

int CGLShader::Location(const char* name) const
{
    if (m_program == -1)
        return -1;
    return glGetUniformLocation(GLuint(m_program), name);
}

void CGLShader::SetInt(const char* name, int v)
{
    if (int loc = Location(name); loc != -1)
        glUniform1i(loc, v);
}

void CGLShader::SetFloat(const char* name, float v)
{
    if (int loc = Location(name); loc != -1)
        glUniform1f(loc, v);
}

void CGLShader::SetVec2(const char* name, float x, float y)
{
    if (int loc = Location(name); loc != -1)
        glUniform2f(loc, x, y);
}

void CGLShader::SetVec3(const char* name, float x, float y, float z)
{
    if (int loc = Location(name); loc != -1)
        glUniform3f(loc, x, y, z);
}

void CGLShader::SetVec3v(const char* name, const float v[3])
{
    if (int loc = Location(name); loc != -1)
        glUniform3fv(loc, 1, v);
}

void CGLShader::SetIVec4(const char* name, const int v[4])
{
    if (int loc = Location(name); loc != -1)
        glUniform4iv(loc, 1, v);
}

void CGLShader::SetMatrix4(const char* name, const float m[16])
{
    if (int loc = Location(name); loc != -1)
        glUniformMatrix4fv(loc, 1, GL_FALSE, m);
}

void CGLShader::SetFloatArray(const char* name, const float* v, int count)
{
    if (int loc = Location(name); loc != -1)
        glUniform1fv(loc, count, v);
}

void CGLShader::QueryAttribs()
{
    if (m_program == -1) {
        m_aPosition = m_aNormal = m_aTexCoord = m_aColor = -1;
        return;
    }
    const GLuint p = GLuint(m_program);
    m_aPosition = glGetAttribLocation(p, "aPosition");
    m_aNormal = glGetAttribLocation(p, "aNormal");
    m_aTexCoord = glGetAttribLocation(p, "aTexCoord");
    m_aColor = glGetAttribLocation(p, "aColor");
}

void CGLShader::EnableAttribs(bool texture)
{
    if (m_aPosition != -1) {
        glEnableVertexAttribArray(GLuint(m_aPosition));
        glVertexAttribPointer(GLuint(m_aPosition), 3, GL_FLOAT, GL_FALSE, 12, nullptr);
    }
    if (m_aNormal != -1) {
        glEnableVertexAttribArray(GLuint(m_aNormal));
        glVertexAttribPointer(GLuint(m_aNormal), 3, GL_FLOAT, GL_FALSE, 12, nullptr);
    }
    if (texture) {
        if (m_aTexCoord != -1) {
            glEnableVertexAttribArray(GLuint(m_aTexCoord));
            glVertexAttribPointer(GLuint(m_aTexCoord), 2, GL_FLOAT, GL_FALSE, 8, nullptr);
        }
    } else if (m_aColor != -1) {
        glEnableVertexAttribArray(GLuint(m_aColor));
        glVertexAttribPointer(GLuint(m_aColor), 3, GL_FLOAT, GL_FALSE, 12, nullptr);
    }
}

void CGLShader::DisableAttribs()
{
    for (int loc : {m_aPosition, m_aNormal, m_aTexCoord, m_aColor})
        if (loc != -1)
            glDisableVertexAttribArray(GLuint(loc));
}

void CGLShader::SetAttribArrays(const void* vertices, const void* normals, const float* texCoords, const void* colours,
                                bool texture)
{
    auto set = [](int loc, int size, int stride, const void* data) {
        if (loc == -1)
            return;
        if (data)
            glVertexAttribPointer(GLuint(loc), size, GL_FLOAT, GL_FALSE, stride, data);
        else
            glDisableVertexAttribArray(GLuint(loc));
    };
    set(m_aPosition, 3, 12, vertices);
    set(m_aNormal, 3, 12, normals);
    if (texture)
        set(m_aTexCoord, 2, 8, texCoords);
    else
        set(m_aColor, 3, 12, colours);
}
