#version 150 compatibility
// Picture terrain fragment stage: the terrain's own picture (texture unit 0) or
// the vertex colour, lit by one light with a little ambient.

in FragmentData {
    vec3 worldPos;
    vec3 normal;
    vec2 texCoord;
    vec3 color;
    float viewDepth;
    float slope;
} fIn;

uniform sampler2D uPictureTex;
uniform int uUseTexture;
uniform vec3 vLightPos;
uniform vec3 uLightColor;

out vec4 fragColor;

void main()
{
    vec3 base = uUseTexture != 0 ? texture(uPictureTex, fIn.texCoord).rgb : fIn.color;
    vec3 n = normalize(fIn.normal);
    vec3 toLight = normalize(vLightPos - fIn.worldPos);
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 light = uLightColor == vec3(0.0) ? vec3(1.0) : uLightColor;
    fragColor = vec4(base * (0.35 + 0.65 * diffuse * light), 1.0);
}
