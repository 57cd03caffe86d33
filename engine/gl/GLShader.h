#pragma once
#include <memory>
#include <string>

// A GLSL program from vertex, fragment and optional geometry shader files,
// with uniform setters by name and the terrain's four vertex attributes.
class CGLShader {
public:
    CGLShader() = default;
    ~CGLShader() = default; // the program lives until Delete

    bool Create(const std::string& fragmentPath, const std::string& vertexPath, const std::string& geometryPath);
    // The whole file with a NUL appended, or null (logged) when missing or empty.
    static std::unique_ptr<char[]> Load(const char* path);
    void Delete();

    // A failed program is never bound: Use then binds no program at all.
    void Use();
    void Unuse();
    bool IsValid() const { return m_program != -1; }
    int GetProgram() const { return m_program; }

    void SetInt(const char* name, int v);
    void SetFloat(const char* name, float v);
    void SetVec2(const char* name, float x, float y);
    void SetVec3(const char* name, float x, float y, float z);
    void SetVec3v(const char* name, const float v[3]);
    void SetIVec4(const char* name, const int v[4]);
    void SetMatrix4(const char* name, const float m[16]);
    void SetFloatArray(const char* name, const float* v, int count);

    void QueryAttribs();
    void EnableAttribs(bool texture);
    void DisableAttribs();
    void SetAttribArrays(const void* vertices, const void* normals, const float* texCoords, const void* colours,
                         bool texture);

    int GetPositionAttrib() const { return m_aPosition; }
    int GetNormalAttrib() const { return m_aNormal; }
    int GetTexCoordAttrib() const { return m_aTexCoord; }
    int GetColorAttrib() const { return m_aColor; }

private:
    int Location(const char* name) const;

    int m_fragment = -1;
    int m_vertex = -1;
    int m_geometry = -1;
    int m_program = -1;
    int m_aPosition = -1;
    int m_aNormal = -1;
    int m_aTexCoord = -1;
    int m_aColor = -1;
};
