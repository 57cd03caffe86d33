#pragma once
#include "engine/gl/GLview.h"
#include "foundation/math/Vec3.h"

#include <string>

// A view that flies: position and rotation (degrees; x is the pitch, 0 looking
// straight down, 90 level, 180 straight up; z the heading), mouse turning, the
// forward and sideways axes with a speed ramp and inertia, collision push-back,
// a bounding box, and a pose file "Camera//Cam%d.pos". World z is up.
class CGLcamera : public CGLview {
public:
    static constexpr float kInsideAngleSum = 5.654866626658817f; // 0.9 of a full turn

    CGLcamera();
    ~CGLcamera() = default;

    // Index (also the pose file number), collision radius (also the eye height above
    // ground), position and rotation; the collision counter starts at 10.
    void Setup(int index, float radius, const CVec3& position, const CVec3& rotation);
    void SetBounds(const CVec3& max, const CVec3& min);

    CVec3* GetPosition() { return &m_position; }
    CVec3* GetRotation() { return &m_rotation; }
    const CVec3* GetPosition() const { return &m_position; }
    const CVec3* GetRotation() const { return &m_rotation; }
    void SetPosition(const CVec3& p) { m_position = p; }
    void SetRotation(const CVec3& r) { m_rotation = r; }
    float GetSpeed() const { return m_speed; }
    float GetRawSpeed() const { return m_rawSpeed; }
    float GetRadius() const { return m_radius; }
    void SetRadius(float r) { m_radius = r; }
    int GetIndex() const { return m_index; }
    std::string GetName() const { return m_name; }
    int GetCollisionCounter() const { return m_collisions; }
    const CVec3& GetStep() const { return m_step; }
    const CVec3& GetPush() const { return m_push; }
    double GetSpeedRamp() const { return m_ramp; }
    void SetSpeedRamp(double ms) { m_ramp = ms; }
    // Adds a push-back from outside (the ground) for the next move and counts a collision.
    void AddPush(const CVec3& push);

    // Measures the speed and builds the view matrix, without input.
    void Update();
    // Moves from g_InputState (with inertia unless noInertia), then measures and
    // builds the view matrix like Update.
    void UpdateFromInput(bool noInertia);
    // Speed ramp and inertia of the two axes; clamps the frame time to [0.001, 16.67] ms.
    void Accelerate(float& sideways, float& forward);
    // Turns by the mouse movement, moves along the axes, applies the push and the bounds.
    void Move(const int mouseDelta[2], float sideways, float forward);
    // Pushes the camera out of one mesh's triangles (vertices relative to the
    // object's position; the matrix is not used); returns the collision counter.
    int Collide(const CVec3& objectPosition, const float* objectMatrix, const int* faceIndices, const CVec3* vertices,
                const CVec3* faceNormals, int faceCount);

    // "Camera//Cam<index>.pos": one line "%f,%f,%f,%f,%f,%f" of position and rotation.
    // Written atomically in the C locale; a missing file leaves the pose as it is, a
    // malformed one too, with a diagnostic.
    bool SavePose(int index);
    bool LoadPose(int index);
    static std::string PoseFileName(int index);
    static std::string FormatPose(const CVec3& position, const CVec3& rotation);
    // Six finite numbers or false (nothing written).
    static bool ParsePose(const std::string& text, CVec3& position, CVec3& rotation);

private:
    void MeasureSpeed();
    void BuildViewMatrix(bool loadToGL);

    CVec3 m_position{0.0f, 0.0f, 1000.0f};
    CVec3 m_rotation{90.0f, 0.0f, 5.1f};
    CVec3 m_step{0.0f, 1.0f, 0.0f};
    CVec3 m_push;
    std::string m_name = "Cam";
    CVec3 m_prevPosition;
    CVec3 m_max{1.5e6f, 1.5e6f, 1.5e6f};
    CVec3 m_min{-1.5e6f, -1.5e6f, -1.5e6f};
    int m_index = 0;
    int m_accelerate = 1;
    int m_collisions = 0;
    float m_speed = 0.0f;
    float m_rawSpeed = 0.0f;
    float m_forwardValue = 0.0f;
    float m_sidewaysValue = 0.0f;
    float m_radius = 1.0f;
    double m_ramp = 0.0;
    float m_forwardHold = 0.0f;
    float m_sidewaysHold = 0.0f;
};
