#version 150 compatibility
// Terrain fragment stage: four tiling ground textures blended by height and
// slope, fading to their average colour in the distance, lit by one light.

in FragmentData {
    vec3 worldPos;
    vec3 normal;
    vec2 texCoord;
    vec3 color;
    float viewDepth;
    float slope;
} fIn;

uniform sampler2D uWaterTex;
uniform sampler2D uGrassTex;
uniform sampler2D uRockTex;
uniform sampler2D uMountainTex;
uniform float uMinHeight;
uniform float uMaxHeight;
uniform float uWaterTileFactor;
uniform float uGrassTileFactor;
uniform float uRockTileFactor;
uniform float uMountainTileFactor;
uniform float uFallbackStart;
uniform float uFallbackEnd;
uniform int uUseTexture;
uniform vec3 vLightPos;
uniform vec3 uLightColor;
uniform vec3 uCameraPos;
uniform float uTime;

out vec4 fragColor;

// Texture weights of the ground at relative height h and slope.
struct Weights {
    float grass;     // over water
    float rock;      // over the result so far
    float mountain;
    float cliff;     // bare rock on steep faces
};

Weights GroundWeights(float h, float slope)
{
    Weights w;
    w.grass = smoothstep(0.004, 0.02, h);
    w.rock = smoothstep(0.12, 0.3, h) * 0.6;
    w.mountain = smoothstep(0.55, 0.8, h);
    w.cliff = smoothstep(0.35, 0.7, slope) * step(0.004, h);
    return w;
}

// lod < 0: filtered from the fragment's own footprint; else that mip level.
vec3 Sample(sampler2D tex, vec2 uv, float lod)
{
    return lod < 0.0 ? texture(tex, uv).rgb : textureLod(tex, uv, lod).rgb;
}

// Only the textures that show at this point are sampled.
vec3 Ground(vec2 xy, Weights w, float lod)
{
    vec3 c = vec3(0.0);
    if (w.grass < 1.0)
        c = Sample(uWaterTex, xy * uWaterTileFactor + vec2(uTime * 0.01, uTime * 0.007), lod);
    if (w.grass > 0.0)
        c = mix(c, Sample(uGrassTex, xy * uGrassTileFactor, lod), w.grass);
    vec3 rock = vec3(0.0);
    if (w.rock > 0.0 || w.cliff > 0.0)
        rock = Sample(uRockTex, xy * uRockTileFactor, lod);
    c = mix(c, rock, w.rock);
    if (w.mountain > 0.0)
        c = mix(c, Sample(uMountainTex, xy * uMountainTileFactor, lod), w.mountain);
    return mix(c, rock, w.cliff);
}

void main()
{
    vec3 n = normalize(fIn.normal);
    vec3 base;
    if (uUseTexture != 0) {
        float range = max(uMaxHeight - uMinHeight, 1e-3);
        float h = clamp((fIn.worldPos.z - uMinHeight) / range, 0.0, 1.0);
        float dist = distance(uCameraPos, fIn.worldPos);
        float fade = smoothstep(uFallbackStart, uFallbackEnd, dist);
        // far away the textures would shimmer: their average colour (last mip level) instead
        Weights w = GroundWeights(h, fIn.slope);
        if (fade <= 0.0)
            base = Ground(fIn.worldPos.xy, w, -1.0);
        else if (fade >= 1.0)
            base = Ground(fIn.worldPos.xy, w, 16.0);
        else
            base = mix(Ground(fIn.worldPos.xy, w, -1.0), Ground(fIn.worldPos.xy, w, 16.0), fade);
        // a low-frequency sample over the whole map breaks up the tiling
        float macro = dot(textureLod(uGrassTex, fIn.texCoord * 7.0, 4.0).rgb, vec3(0.333));
        base *= 0.8 + 0.4 * macro;
    } else {
        base = fIn.color;
    }
    vec3 toLight = normalize(vLightPos - fIn.worldPos);
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 lit = base * (0.35 + 0.65 * diffuse * uLightColor);
    fragColor = vec4(lit, 1.0);
}
