// The gnoll: its material colours, the pose of each walk frame, and drawing it part by part.
#include "gnoll.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "sprite_raster.h"

namespace pictures {
namespace {

constexpr int kCellW = 100;
constexpr int kCellH = 120;
constexpr int kWalkFrames = 14;
constexpr double kGroundY = 113.0;  // paws rest on this cell row
constexpr double kThigh = 25.0;
constexpr double kShin = 24.0;
constexpr double kFoot = 17.0;         // hock to paw (the long digitigrade foot)
constexpr double kStanceShare = 0.56;  // fraction of the cycle a paw is on the ground
constexpr double kStepFront = 26.0;    // paw lands this far ahead of the hip ...
constexpr double kStepBack = -12.0;    // ... and lifts this far behind it: 38 px, ~5 px per frame

struct LegPose {
    V2 hip, knee, hock, paw;
};
struct ArmPose {
    V2 shoulder, elbow, hand;
};
struct GnollPose {
    V2 hip;
    LegPose nearLeg, farLeg;
    ArmPose nearArm, farArm;
    double spearDeg;  // the spear's lean from straight up, positive forward
    V2 head;
    double tailSway;
};

// Paw path for a leg at cycle phase p in [0, 1): p = 0 is the paw striking the ground in front.
LegPose PoseLeg(V2 hip, double p) {
    LegPose leg;
    leg.hip = hip;
    double footDeg;  // the foot's tilt back from vertical: the heel rises towards push-off
    if (p < kStanceShare) {
        const double s = p / kStanceShare;
        leg.paw = {hip.x + kStepFront + (kStepBack - kStepFront) * s, kGroundY};
        footDeg = 28.0 + 24.0 * s * s;
    } else {
        const double s = (p - kStanceShare) / (1.0 - kStanceShare);
        const double ease = (1.0 - Cos(kPi * s)) / 2.0;
        const double lift = Sin(kPi * s) * (1.15 - 0.3 * s);
        leg.paw = {hip.x + kStepBack + (kStepFront - kStepBack) * ease, kGroundY - 11.0 * lift};
        footDeg = 52.0 + 26.0 * Sin(kPi * s) - 24.0 * ease;
    }
    leg.hock = leg.paw + FromDown(180.0 + footDeg) * kFoot;  // up and back from the paw
    // Two-bone IK hip -> hock with the knee bent forward.
    const V2 d = leg.hock - hip;
    const double dist = Clamp(Length(d), kThigh - kShin + 0.5, kThigh + kShin - 0.2);
    const V2 u = d * (1.0 / std::max(Length(d), 1e-6));
    const double along = (kThigh * kThigh - kShin * kShin + dist * dist) / (2.0 * dist);
    const double h = std::sqrt(std::max(0.0, kThigh * kThigh - along * along));
    V2 perp{-u.y, u.x};
    if (perp.x < 0) perp = perp * -1.0;
    leg.knee = hip + u * along + perp * h;
    return leg;
}

// An arm from the shoulder: upper arm and forearm angles measured from straight down.
ArmPose PoseArm(V2 shoulder, double upperDeg, double forearmDeg) {
    ArmPose arm;
    arm.shoulder = shoulder;
    arm.elbow = shoulder + FromDown(upperDeg) * 17.0;
    arm.hand = arm.elbow + FromDown(forearmDeg) * 16.0;
    return arm;
}

GnollPose PoseGnoll(int frame) {
    const double t = static_cast<double>(frame) / kWalkFrames;
    GnollPose pose;
    // Two bobs per cycle: highest while a leg passes under the hip, lowest just after each strike.
    const double bob = -1.6 * Cos(4.0 * kPi * (t - 0.28));
    pose.hip = {36.0, 60.0 + bob};
    const double nearPhase = t;
    const double farPhase = std::fmod(t + 0.5, 1.0);
    pose.nearLeg = PoseLeg(pose.hip, nearPhase);
    pose.farLeg = PoseLeg(pose.hip + V2{1.5, -1.0}, farPhase);
    // The spear is held upright in the far hand, which only rocks a little; the free near arm
    // swings against the near leg.
    const V2 shoulder = pose.hip + V2{16.0, -26.0};
    const double spearSwing = -6.0 * Cos(2.0 * kPi * farPhase);
    pose.farArm = PoseArm(shoulder + V2{-2.0, 1.0}, 14.0 + spearSwing, 92.0 + spearSwing);
    pose.spearDeg = 12.0 + 0.4 * spearSwing;
    const double swing = -24.0 * Cos(2.0 * kPi * nearPhase);
    pose.nearArm = PoseArm(shoulder, swing, swing + 22.0 + 16.0 * std::max(0.0, swing / 24.0));
    // The head lags the body's bob a little.
    const double headBob = -1.2 * Cos(4.0 * kPi * (t - 0.34));
    pose.head = {pose.hip.x + 29.0, 60.0 + headBob - 34.0};
    pose.tailSway = Sin(2.0 * kPi * t);
    return pose;
}

// Thigh, shin and the long foot as one outlined limb, then the paw with its claws.
void DrawLeg(SpriteCanvas& canvas, const LegPose& leg, int shadeShift, uint32_t seed) {
    const Style fur{.material = kFur, .shadeShift = shadeShift, .spots = true, .seed = seed};
    canvas.Draw({Capsule(leg.hock, leg.paw + V2{-1.0, -2.5}, 3.3, 2.8), Capsule(leg.knee, leg.hock, 4.8, 3.3),
                 Capsule(leg.hip, leg.knee, 8.0, 5.0)},
                fur);
    const V2 pawCenter = leg.paw + V2{1.5, -2.6};
    canvas.Draw(Ellipse(pawCenter, 5.4, 3.0, 0), Style{.material = kSkin, .shadeShift = shadeShift + 1});
    for (int c = 0; c < 2; ++c) {
        const V2 tip = pawCenter + V2{7.0, 1.5 + c * 1.2};
        canvas.Draw(Polygon({tip, tip + V2{-3.0, -2.0}, tip + V2{-3.0, 0.6}}),
                    Style{.material = kBone, .shadeShift = shadeShift, .outline = false});
    }
}

// The swinging near arm with its iron shoulder guard and a leather bracer.
void DrawFreeArm(SpriteCanvas& canvas, const ArmPose& arm, int shadeShift) {
    canvas.Draw({Capsule(arm.shoulder, arm.elbow, 5.4, 4.0), Capsule(arm.elbow, arm.hand, 4.0, 3.4)},
                Style{.material = kFur, .shadeShift = shadeShift, .spots = true, .seed = 12});
    canvas.Draw(Capsule(arm.elbow + (arm.hand - arm.elbow) * 0.3, arm.elbow + (arm.hand - arm.elbow) * 0.78, 4.3, 3.7),
                Style{.material = kLeather, .shadeShift = shadeShift});
    canvas.Draw(Ellipse(arm.shoulder + V2{0.5, 0.5}, 7.0, 5.4, 25),
                Style{.material = kMetal, .shadeShift = shadeShift});
    canvas.Draw(Capsule(arm.shoulder + V2{-4.0, 3.0}, arm.shoulder + V2{5.0, 5.0}, 0.9, 0.9),
                Style{.material = kLeather, .shadeShift = shadeShift - 1, .outline = false, .onlyOver = true});
    canvas.Draw(Ellipse(arm.hand + V2{0.5, 0.5}, 4.0, 3.8, 0), Style{.material = kFur, .shadeShift = shadeShift - 1});
}

// The near arm gripping a long spear: shaft, bound iron head and a red tassel.
void DrawSpearArm(SpriteCanvas& canvas, const ArmPose& arm, double spearDeg, int shadeShift) {
    const V2 up = FromDown(180.0 - spearDeg);
    const V2 side{-up.y, up.x};
    const V2 butt = arm.hand - up * 46.0;
    const V2 socket = arm.hand + up * 33.0;
    canvas.Draw({Capsule(arm.shoulder, arm.elbow, 5.4, 4.0), Capsule(arm.elbow, arm.hand, 4.0, 3.6)},
                Style{.material = kFur, .shadeShift = shadeShift, .spots = true, .seed = 11});
    canvas.Draw(Capsule(arm.elbow + (arm.hand - arm.elbow) * 0.3, arm.elbow + (arm.hand - arm.elbow) * 0.78, 4.3, 3.9),
                Style{.material = kLeather, .shadeShift = shadeShift});
    canvas.Draw(Capsule(butt, socket, 1.5, 1.4), Style{.material = kWood, .shadeShift = shadeShift + 1});
    // Tassel hanging from the socket, then the leaf-shaped blade.
    const V2 knot = socket - up * 1.0;
    canvas.Draw(Polygon({knot - side * 1.5, knot + side * 1.5, knot + V2{2.5, 10.0}, knot + V2{-0.5, 9.0}}),
                Style{.material = kCloth, .shadeShift = shadeShift + 1, .folds = 1.6});
    canvas.Draw(Capsule(socket - up * 2.0, socket + up * 1.5, 2.2, 2.0),
                Style{.material = kLeather, .shadeShift = shadeShift + 1});
    canvas.Draw(Polygon({socket + up * 1.0 + side * 1.8, socket + up * 5.5 + side * 3.4, socket + up * 14.0,
                         socket + up * 5.5 - side * 3.4, socket + up * 1.0 - side * 1.8}),
                Style{.material = kMetal, .shadeShift = shadeShift + 1});
    canvas.Draw(Capsule(socket + up * 2.5, socket + up * 12.0, 0.5, 0.3),
                Style{.material = kMetal, .shadeShift = 3, .outline = false, .onlyOver = true});
    // The fist closes over the shaft.
    canvas.Draw(Ellipse(arm.hand + V2{0.3, 0.2}, 4.0, 3.8, 0), Style{.material = kFur, .shadeShift = shadeShift - 1});
}

void DrawHead(SpriteCanvas& canvas, V2 h) {
    // Big rounded hyena ears; the far one sits behind the skull.
    canvas.Draw(Ellipse(h + V2{-2.0, -11.5}, 3.6, 5.6, 6), Style{.material = kFur, .shadeShift = -1});
    // Skull and broad snout merge into one head.
    const Style head{.material = kFur, .spots = true, .groupSpots = true, .spotOrigin = h, .seed = 3};
    canvas.Draw({Ellipse(h, 9.0, 8.0, 10), Capsule(h + V2{3.0, 1.5}, h + V2{13.5, 4.0}, 5.8, 4.2)}, head);
    // Lower jaw, hanging slightly open with teeth showing.
    canvas.Draw(Capsule(h + V2{3.0, 6.8}, h + V2{12.0, 9.2}, 3.0, 2.2), Style{.material = kFur, .shadeShift = -1});
    canvas.Draw(Capsule(h + V2{6.0, 7.0}, h + V2{14.0, 7.6}, 0.7, 0.9),
                Style{.outline = false, .fixedIndex = kBlackIndex});
    for (double tx : {9.5, 12.5}) {
        canvas.Draw(Polygon({h + V2{tx - 1.1, 7.0}, h + V2{tx + 1.1, 7.2}, h + V2{tx + 0.1, 9.6}}),
                    Style{.material = kBone, .outline = false});
    }
    // Dark muzzle and nose at the front of the snout.
    canvas.Draw(Capsule(h + V2{9.5, 3.0}, h + V2{14.0, 4.2}, 3.8, 3.6),
                Style{.material = kSkin, .outline = false, .onlyOver = true});
    canvas.Draw(Ellipse(h + V2{16.2, 2.8}, 1.8, 1.6, 0), Style{.outline = false, .fixedIndex = kBlackIndex});
    // Glowing eye under a heavy dark brow.
    canvas.Draw(Capsule(h + V2{1.5, -3.4}, h + V2{7.0, -2.6}, 1.1, 0.9), Style{.material = kMane, .outline = false});
    canvas.Draw(Ellipse(h + V2{5.0, -0.9}, 1.8, 1.2, 10), Style{.outline = false, .fixedIndex = kEyeIndex});
    canvas.Draw(Ellipse(h + V2{5.8, -0.9}, 0.6, 0.6, 0), Style{.outline = false, .fixedIndex = kEyeHotIndex});
    // Near ear with its dark inside.
    canvas.Draw(Ellipse(h + V2{-5.5, -9.5}, 4.2, 6.2, -26), Style{.material = kFur});
    canvas.Draw(Ellipse(h + V2{-4.8, -10.0}, 1.8, 3.6, -26),
                Style{.material = kSkin, .outline = false, .onlyOver = true});
}

// The bristly dark mane running from the crown down the back.
void DrawMane(SpriteCanvas& canvas, const GnollPose& pose) {
    const V2 start = pose.head + V2{-5.0, -5.0};
    const V2 end = pose.hip + V2{-5.0, -16.0};
    std::vector<V2> pts;
    const int spikes = 7;
    for (int i = 0; i <= spikes * 2; ++i) {
        const double t = static_cast<double>(i) / (spikes * 2);
        const V2 along = start + (end - start) * t;
        const V2 out = Rotate(V2{-0.6, -0.8}, Deg(-40.0 * t));  // bristles point up and back
        pts.push_back(along + out * ((i % 2 == 0) ? 7.0 - 2.0 * t : 2.5));
    }
    pts.push_back(end + V2{6.0, 4.0});
    pts.push_back(start + V2{6.0, 4.0});
    canvas.Draw(Polygon(pts), Style{.material = kMane});
}

// The ragged loincloth hanging from the belt, swaying with the near thigh.
void DrawLoincloth(SpriteCanvas& canvas, const GnollPose& pose) {
    const V2 hip = pose.hip;
    const double sway = (pose.nearLeg.knee.x - hip.x) * 0.22;
    std::vector<V2> pts = {hip + V2{-11.0, -8.0}, hip + V2{13.0, -5.0}};
    const int teeth = 5;
    for (int i = 0; i <= teeth * 2; ++i) {  // zig-zag hem from front to back
        const double t = static_cast<double>(i) / (teeth * 2);
        const double x = Mix(13.5 + sway, -11.0 + sway * 0.3, t);
        const double y = Mix(11.0, 6.0, t) + ((i % 2 == 0) ? 0.0 : -3.0);
        pts.push_back(hip + V2{x, y});
    }
    canvas.Draw(Polygon(pts), Style{.material = kCloth, .folds = 0.55});
}

void DrawGnoll(SpriteCanvas& canvas, const GnollPose& pose) {
    const V2 hip = pose.hip;
    DrawSpearArm(canvas, pose.farArm, pose.spearDeg, -1);
    DrawLeg(canvas, pose.farLeg, -1, 21);
    // Short bushy tail with a dark tip, hanging behind the hips.
    const V2 tailRoot = hip + V2{-11.0, -9.0};
    const V2 tailEnd = hip + V2{-15.5 - pose.tailSway, 5.0 + pose.tailSway};
    canvas.Draw(Capsule(tailRoot, tailEnd, 3.0, 4.6), Style{.material = kFur, .spots = true, .seed = 5});
    canvas.Draw(Ellipse(tailEnd + V2{-0.3, 2.5}, 3.6, 4.8, 10), Style{.material = kSpot});
    DrawMane(canvas, pose);
    // Hunched torso: pelvis, barrel chest leaning forward, and the thick neck, merged.
    const V2 chest = hip + V2{9.0, -17.0};
    canvas.Draw({Ellipse(hip + V2{0.0, -3.0}, 12.5, 10.0, 0), Ellipse(chest, 13.5, 16.0, 38),
                 Ellipse(hip + V2{5.0, -9.0}, 11.5, 9.0, 20),
                 Capsule(chest + V2{3.0, -6.0}, pose.head + V2{-2.0, 4.0}, 7.5, 6.5)},
                Style{.material = kFur, .spots = true, .groupSpots = true, .spotOrigin = hip, .seed = 1});
    // Leather strap across the chest, belt and buckle.
    canvas.Draw(Capsule(chest + V2{9.0, -12.0}, hip + V2{-4.0, -6.0}, 2.0, 2.0),
                Style{.material = kLeather, .outline = false, .onlyOver = true});
    canvas.Draw(Capsule(hip + V2{-14.0, -9.0}, hip + V2{15.0, -6.0}, 2.6, 2.6),
                Style{.material = kLeather, .outline = false, .onlyOver = true});
    DrawLeg(canvas, pose.nearLeg, 0, 22);
    DrawLoincloth(canvas, pose);
    canvas.Draw(Ellipse(hip + V2{11.5, -6.5}, 2.2, 2.6, 0), Style{.material = kMetal});
    DrawHead(canvas, pose.head);
    DrawFreeArm(canvas, pose.nearArm, 0);
    canvas.OutlineSilhouette();
}

}  // namespace

Palette GnollPalette() {
    // Per material: shadow, mid, light, highlight.
    static constexpr std::array<std::array<Color8, kShades>, kMaterialCount> kRamps = {{
        {{{112, 74, 38}, {160, 116, 62}, {204, 160, 94}, {236, 204, 138}}},      // fur
        {{{58, 38, 24}, {84, 56, 34}, {110, 78, 46}, {136, 100, 62}}},           // spots
        {{{38, 24, 22}, {64, 40, 32}, {92, 58, 42}, {122, 82, 56}}},             // mane
        {{{34, 30, 34}, {56, 50, 54}, {82, 74, 76}, {112, 104, 104}}},           // dark skin
        {{{66, 38, 24}, {98, 60, 34}, {130, 86, 48}, {164, 116, 70}}},           // leather
        {{{84, 22, 24}, {126, 34, 30}, {164, 56, 40}, {198, 88, 58}}},           // cloth
        {{{72, 44, 24}, {106, 70, 38}, {140, 98, 56}, {174, 132, 84}}},          // wood
        {{{70, 74, 84}, {114, 120, 130}, {164, 170, 178}, {222, 226, 232}}},     // metal
        {{{150, 138, 110}, {196, 186, 156}, {228, 220, 196}, {250, 246, 232}}},  // bone
    }};
    Palette p{};
    p.fill(Color8{0, 0, 0});
    p[kKeyIndex] = kKeyGreen;
    p[kOutlineIndex] = {30, 20, 16};
    for (int m = 0; m < kMaterialCount; ++m) {
        for (int s = 0; s < kShades; ++s) p[MaterialIndex(static_cast<Material>(m), s)] = kRamps[m][s];
    }
    p[kEyeIndex] = {230, 150, 24};
    p[kEyeHotIndex] = {255, 226, 90};
    p[kBlackIndex] = {14, 10, 10};
    return p;
}

IndexImage PaintGnollSheet() {
    IndexImage sheet(500, 360);
    for (int f = 0; f < kWalkFrames; ++f) {
        SpriteCanvas cell(kCellW, kCellH);
        DrawGnoll(cell, PoseGnoll(f));
        const int ox = (f % 5) * kCellW;
        const int oy = (f / 5) * kCellH;
        for (int y = 0; y < kCellH; ++y) {
            for (int x = 0; x < kCellW; ++x) sheet.At(ox + x, oy + y) = cell.Image().Get(x, y);
        }
        // A figure touching the cell's border has probably been cut off: worth a warning.
        for (int i = 0; i < kCellH; ++i) {
            if (cell.Image().Get(0, i) != kKeyIndex || cell.Image().Get(kCellW - 1, i) != kKeyIndex) {
                std::fprintf(stderr, "make_pictures: warning: gnoll frame %d touches the cell's side\n", f);
                break;
            }
        }
    }
    return sheet;
}

}  // namespace pictures
