#version 150 compatibility
// Passes each terrain triangle on and adds its face normal, so the fragment
// stage can tell steep rock from flat ground.

layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;

in VertexData {
    vec3 worldPos;
    vec3 normal;
    vec2 texCoord;
    vec3 color;
    float viewDepth;
} gIn[];

out FragmentData {
    vec3 worldPos;
    vec3 normal;
    vec2 texCoord;
    vec3 color;
    float viewDepth;
    float slope;
} gOut;

void main()
{
    vec3 face = cross(gIn[1].worldPos - gIn[0].worldPos, gIn[2].worldPos - gIn[0].worldPos);
    float len = length(face);
    // z-up world: 0 on level ground, 1 on a vertical wall (either winding)
    float slope = len > 0.0 ? 1.0 - abs(face.z) / len : 0.0;
    for (int i = 0; i < 3; ++i) {
        gOut.worldPos = gIn[i].worldPos;
        gOut.normal = gIn[i].normal;
        gOut.texCoord = gIn[i].texCoord;
        gOut.color = gIn[i].color;
        gOut.viewDepth = gIn[i].viewDepth;
        gOut.slope = slope;
        gl_Position = gl_in[i].gl_Position;
        EmitVertex();
    }
    EndPrimitive();
}
