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

vec3 Ground(vec2 xy, float h, float slope, bool nearView)
{
    vec2 waterUv = xy * uWaterTileFactor + vec2(uTime * 0.01, uTime * 0.007);
    // far away the textures would shimmer: take their coarsest mip level
    float bias = nearView ? 0.0 : 16.0;
    vec3 water = texture(uWaterTex, waterUv, bias).rgb;
    vec3 grass = texture(uGrassTex, xy * uGrassTileFactor, bias).rgb;
    vec3 rock = texture(uRockTex, xy * uRockTileFactor, bias).rgb;
    vec3 mountain = texture(uMountainTex, xy * uMountainTileFactor, bias).rgb;

    vec3 c = mix(water, grass, smoothstep(0.004, 0.02, h));
    c = mix(c, rock, smoothstep(0.12, 0.3, h) * 0.6);
    c = mix(c, mountain, smoothstep(0.55, 0.8, h));
    // steep faces show bare rock at any height above the water
    c = mix(c, rock, smoothstep(0.35, 0.7, slope) * step(0.004, h));
    return c;
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
        vec3 nearColor = Ground(fIn.worldPos.xy, h, fIn.slope, true);
        vec3 farColor = Ground(fIn.worldPos.xy, h, fIn.slope, false);
        base = mix(nearColor, farColor, fade);
        // a low-frequency sample over the whole map breaks up the tiling
        float macro = dot(texture(uGrassTex, fIn.texCoord * 7.0, 4.0).rgb, vec3(0.333));
        base *= 0.8 + 0.4 * macro;
    } else {
        base = fIn.color;
    }
    vec3 toLight = normalize(vLightPos - fIn.worldPos);
    float diffuse = max(dot(n, toLight), 0.0);
    vec3 lit = base * (0.35 + 0.65 * diffuse * uLightColor);
    fragColor = vec4(lit, 1.0);
}
