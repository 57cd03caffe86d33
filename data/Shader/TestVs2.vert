#version 150 compatibility
#extension GL_ARB_explicit_attrib_location : require
// Picture terrain vertex stage: world position, normal, texture coordinate and
// colour go on to the geometry stage (normals turned to face up).

layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aTexCoord;
layout(location = 3) in vec3 aColor;

uniform mat4 uModelMatrix;
uniform mat4 uViewMatrix;
uniform mat4 uProjectionMatrix;

out VertexData {
    vec3 worldPos;
    vec3 normal;
    vec2 texCoord;
    vec3 color;
    float viewDepth;
} vOut;

void main()
{
    vec4 world = uModelMatrix * vec4(aPosition, 1.0);
    vec4 view = uViewMatrix * world;
    vOut.worldPos = world.xyz;
    vOut.normal = normalize(mat3(uModelMatrix) * -aNormal);
    vOut.texCoord = aTexCoord;
    vOut.color = aColor;
    vOut.viewDepth = -view.z;
    gl_Position = uProjectionMatrix * view;
}
