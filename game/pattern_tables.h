// The constant tables of the three families of script codes: depth-shot
// patterns (first stream, codes 0 to 49), flat-shot patterns (first stream,
// codes 50 to 100) and boss steering (second stream, codes 0 to 49).
// One row per code, in code order, so that a row can be read against the
// pattern it fires.
#pragma once

#include <cstdint>

// ---- Shared shapes -------------------------------------------------------------

// A random field point is (R(FieldPointRange) + FieldPointLow, likewise for y),
// x drawn first: 10 to 229 on both axes.
constexpr int32_t FieldPointRange = 220;
constexpr int32_t FieldPointLow = 10;
// The centre of the field, where the boss-side depth patterns start.
constexpr float FieldCentre = 120.0f;

// ---- Depth-shot patterns: first-stream codes 0 to 49 ------------------------------

constexpr int32_t DepthPatternCount = 50;   // codes 0 to 49
constexpr int32_t DepthClearCode = 49;      // clears the whole DepthShot table

// Where the shots of a pattern start.
enum class DepthStart {
    None,          // fires nothing (code 0)
    ClearTable,    // no shot: every slot inactive (code 49)
    RandomEach,    // each shot its own random field point
    RandomShared,  // one random field point drawn before the first shot, shared by all
    Centre,        // the field centre (120, 120)
    Column,        // (B, 10 + 20 i): a column at the shared coordinate B
    Row,           // (10 + 20 i, B): a row at the shared coordinate B
};

// How a shot's sideways speed is set. Aims use vx = trunc((tx - x) * f),
// vy = trunc((ty - y) * f) in double precision from the stored start.
enum class DepthVelocity {
    None,
    AimPlayer,       // at (PlayerX, PlayerY)
    AimRandom,       // at a random field point drawn per shot
    Straight,        // vx = vy = 0
    AimPlayerCross,  // shot i at the player plus DepthCrossOffsets[i]
    DriftX,          // vx = trunc((A - B) * f), vy = 0
    DriftY,          // vx = 0, vy = trunc((A - B) * f)
    Spray,           // R(170) * sin(a) * fx, R(170) * cos(a) * fy; a = angleStep i + timeScale T
    AimGrid3,        // at (U + 30 i, V + 30 j), 3 x 3, U and V from DepthGrid3
    AimPlayerJitter, // at (PX + R(100) - 50, PY + R(100) - 50), x first
    AimGrid4,        // at (U + 30 i, V + 30 j), 4 x 4, U and V from DepthGrid4
    AimPlayerCircle, // at (PX + 40 sin a, PY + 40 cos a); a = angleStep i + timeScale T
};

struct DepthPattern {
    int32_t shots;
    DepthStart start;
    DepthVelocity velocity;
    double f;          // aim factor
    double fx;         // spray factor along x
    double fy;         // spray factor along y
    int32_t vz;        // depth units per second
    float z;           // start depth
    double angleStep;  // radians added per shot (sprays, circles)
    double timeScale;  // multiple of StageTime in the angle
};

// The shared grid of the grid patterns: U = R(range) + offset, then V likewise;
// shot i (outer), j (inner) aims at (U + step i, V + step j).
struct DepthGrid {
    int32_t side;
    int32_t range;
    int32_t offset;
    int32_t step;
};
constexpr DepthGrid DepthGrid3 = {3, 220, -30, 30};
constexpr DepthGrid DepthGrid4 = {4, 160, -10, 30};

// Offsets from the player of the five shots of the cross patterns (13 to 15).
struct FieldOffset {
    int32_t dx;
    int32_t dy;
};
constexpr FieldOffset DepthCrossOffsets[5] = {{0, 0}, {-40, 0}, {40, 0}, {0, -40}, {0, 40}};

// Sprays draw their speed along each axis as R(DepthSprayRange).
constexpr int32_t DepthSprayRange = 170;
// Jittered aims draw their offset from the player as R(range) - half.
constexpr int32_t DepthJitterRange = 100;
constexpr int32_t DepthJitterHalf = 50;
// Circle patterns aim this far from the player.
constexpr double DepthCircleRadius = 40.0;
// Columns and rows put their shots at 10 + 20 i along the varying axis.
constexpr float DepthLineFirst = 10.0f;
constexpr float DepthLineStep = 20.0f;
// Every depth shot draws its picture as R(DepthKinds).
constexpr int32_t DepthKinds = 5;

constexpr DepthStart DNone = DepthStart::None;
constexpr DepthStart DClear = DepthStart::ClearTable;
constexpr DepthStart DRandom = DepthStart::RandomEach;
constexpr DepthStart DShared = DepthStart::RandomShared;
constexpr DepthStart DCentre = DepthStart::Centre;
constexpr DepthStart DColumn = DepthStart::Column;
constexpr DepthStart DRow = DepthStart::Row;

constexpr DepthPattern DepthPatterns[DepthPatternCount] = {
    //        shots start    velocity                        f     fx    fy    vz   z       angleStep timeScale
    /* 0  */ {0,    DNone,   DepthVelocity::None,            0,    0,    0,    0,   100.0f, 0,        0},
    /* 1  */ {1,    DRandom, DepthVelocity::AimPlayer,       0.5,  0,    0,    50,  100.0f, 0,        0},
    /* 2  */ {1,    DRandom, DepthVelocity::AimPlayer,       0.75, 0,    0,    75,  100.0f, 0,        0},
    /* 3  */ {1,    DRandom, DepthVelocity::AimPlayer,       1,    0,    0,    100, 100.0f, 0,        0},
    /* 4  */ {5,    DShared, DepthVelocity::AimRandom,       0.5,  0,    0,    50,  100.0f, 0,        0},
    /* 5  */ {5,    DShared, DepthVelocity::AimRandom,       0.75, 0,    0,    75,  100.0f, 0,        0},
    /* 6  */ {5,    DShared, DepthVelocity::AimRandom,       1,    0,    0,    100, 100.0f, 0,        0},
    /* 7  */ {5,    DRandom, DepthVelocity::Straight,        0,    0,    0,    50,  100.0f, 0,        0},
    /* 8  */ {5,    DRandom, DepthVelocity::Straight,        0,    0,    0,    90,  100.0f, 0,        0},
    /* 9  */ {5,    DRandom, DepthVelocity::Straight,        0,    0,    0,    130, 100.0f, 0,        0},
    /* 10 */ {1,    DCentre, DepthVelocity::AimRandom,       0.5,  0,    0,    50,  100.0f, 0,        0},
    /* 11 */ {1,    DCentre, DepthVelocity::AimRandom,       1,    0,    0,    100, 100.0f, 0,        0},
    /* 12 */ {1,    DCentre, DepthVelocity::AimRandom,       1.5,  0,    0,    150, 100.0f, 0,        0},
    /* 13 */ {5,    DRandom, DepthVelocity::AimPlayerCross,  0.75, 0,    0,    75,  100.0f, 0,        0},
    /* 14 */ {5,    DRandom, DepthVelocity::AimPlayerCross,  1,    0,    0,    100, 100.0f, 0,        0},
    /* 15 */ {5,    DRandom, DepthVelocity::AimPlayerCross,  1.5,  0,    0,    150, 100.0f, 0,        0},
    /* 16 */ {12,   DColumn, DepthVelocity::DriftX,          0.5,  0,    0,    50,  100.0f, 0,        0},
    /* 17 */ {12,   DColumn, DepthVelocity::DriftX,          0.75, 0,    0,    75,  100.0f, 0,        0},
    /* 18 */ {12,   DColumn, DepthVelocity::DriftX,          1,    0,    0,    100, 100.0f, 0,        0},
    /* 19 */ {12,   DRow,    DepthVelocity::DriftY,          0.5,  0,    0,    50,  100.0f, 0,        0},
    /* 20 */ {12,   DRow,    DepthVelocity::DriftY,          0.75, 0,    0,    75,  100.0f, 0,        0},
    /* 21 */ {12,   DRow,    DepthVelocity::DriftY,          1,    0,    0,    100, 100.0f, 0,        0},
    // The 0.75 sprays keep fy at 0.5: their spread is squeezed along y.
    /* 22 */ {1,    DCentre, DepthVelocity::Spray,           0,    0.5,  0.5,  50,  100.0f, 0,        1},
    /* 23 */ {1,    DCentre, DepthVelocity::Spray,           0,    0.75, 0.5,  75,  100.0f, 0,        1},
    /* 24 */ {1,    DCentre, DepthVelocity::Spray,           0,    1,    1,    100, 100.0f, 0,        1},
    /* 25 */ {1,    DCentre, DepthVelocity::Spray,           0,    0.5,  0.5,  50,  100.0f, 0,        2},
    /* 26 */ {1,    DCentre, DepthVelocity::Spray,           0,    0.75, 0.5,  75,  100.0f, 0,        2},
    /* 27 */ {1,    DCentre, DepthVelocity::Spray,           0,    1,    1,    100, 100.0f, 0,        2},
    /* 28 */ {1,    DCentre, DepthVelocity::Spray,           0,    0.5,  0.5,  50,  100.0f, 0,        -1},
    /* 29 */ {1,    DCentre, DepthVelocity::Spray,           0,    0.75, 0.5,  75,  100.0f, 0,        -1},
    /* 30 */ {1,    DCentre, DepthVelocity::Spray,           0,    1,    1,    100, 100.0f, 0,        -1},
    /* 31 */ {4,    DCentre, DepthVelocity::Spray,           0,    0.5,  0.5,  50,  100.0f, 0.78,     2},
    /* 32 */ {4,    DCentre, DepthVelocity::Spray,           0,    0.75, 0.75, 75,  100.0f, 0.78,     2},
    /* 33 */ {4,    DCentre, DepthVelocity::Spray,           0,    1,    1,    100, 100.0f, 0.78,     2},
    /* 34 */ {9,    DCentre, DepthVelocity::AimGrid3,        0.5,  0,    0,    50,  100.0f, 0,        0},
    /* 35 */ {9,    DCentre, DepthVelocity::AimGrid3,        0.75, 0,    0,    75,  100.0f, 0,        0},
    /* 36 */ {9,    DCentre, DepthVelocity::AimGrid3,        1,    0,    0,    100, 100.0f, 0,        0},
    /* 37 */ {3,    DRandom, DepthVelocity::AimPlayerJitter, 0.5,  0,    0,    50,  100.0f, 0,        0},
    /* 38 */ {3,    DRandom, DepthVelocity::AimPlayerJitter, 0.9,  0,    0,    90,  100.0f, 0,        0},
    /* 39 */ {3,    DRandom, DepthVelocity::AimPlayerJitter, 1.3,  0,    0,    130, 100.0f, 0,        0},
    /* 40 */ {1,    DRandom, DepthVelocity::AimPlayer,       0.1,  0,    0,    10,  30.0f,  0,        0},
    /* 41 */ {1,    DRandom, DepthVelocity::AimPlayer,       0.16, 0,    0,    16,  30.0f,  0,        0},
    /* 42 */ {1,    DRandom, DepthVelocity::AimPlayer,       0.22, 0,    0,    22,  30.0f,  0,        0},
    /* 43 */ {16,   DCentre, DepthVelocity::AimGrid4,        0.5,  0,    0,    50,  100.0f, 0,        0},
    /* 44 */ {16,   DCentre, DepthVelocity::AimGrid4,        0.75, 0,    0,    75,  100.0f, 0,        0},
    /* 45 */ {16,   DCentre, DepthVelocity::AimGrid4,        1,    0,    0,    100, 100.0f, 0,        0},
    /* 46 */ {5,    DCentre, DepthVelocity::AimPlayerCircle, 0.5,  0,    0,    50,  100.0f, 0.55,     2},
    /* 47 */ {5,    DCentre, DepthVelocity::AimPlayerCircle, 0.75, 0,    0,    75,  100.0f, 0.55,     2},
    /* 48 */ {5,    DCentre, DepthVelocity::AimPlayerCircle, 1,    0,    0,    100, 100.0f, 0.55,     2},
    /* 49 */ {0,    DClear,  DepthVelocity::None,            0,    0,    0,    0,   100.0f, 0,        0},
};

// ---- Flat-shot patterns: first-stream codes 50 to 100 ------------------------------

constexpr int32_t FlatPatternFirst = 50;
constexpr int32_t FlatPatternLast = 100;
constexpr int32_t FlatPatternCount = FlatPatternLast - FlatPatternFirst + 1;
// Codes below this play FlatShotSound; the table actions above are silent.
constexpr int32_t FlatSilentFirst = 96;

// How the velocity of shot i is set (and the table actions of 96 to 100).
enum class FlatRule {
    AimPlayer,   // aim at the player with `speed`
    Fan,         // aim at the player with `speed`, then vx += fanStep * (i - (shots - 1) / 2)
    AimRandom,   // aim at (X, Y) with `speed`; Y = R(240) drawn first, then X = R(240)
    Line,        // aim at the player with speedStep * i, i from 1
    Pair,        // direction timeScale * T: shot 0 with `speed`, shot 1 with -`speed`
    Cross,       // b = timeScale * T: (b, speed), (b, -speed), (b + 1.57, speed), (b - 1.57, speed)
    Scatter,     // s = R(speedRange) + speed, then aim at (PX + R(120) - 60, PY + R(120) - 60), y drawn first
    Spin,        // direction angleStep * i + timeScale * T with `speed`
    Column,      // vx = 0, vy = speed + speedStep * i
    Ring,        // direction angleStep * i + timeScale * T with `speed`
    Scale,       // every active shot: vx, vy multiplied by `factor`, truncated
    Clear,       // every slot inactive
    Reverse,     // every active shot: vx = -vx, vy = -vy
};

struct FlatPattern {
    int32_t shots;
    FlatRule rule;
    int32_t speed;       // pixels per second (the base speed of Scatter and Column)
    int32_t speedStep;   // added per shot: Line speeds, Column fall speeds
    int32_t fanStep;     // vx offset between neighbouring shots of a fan
    int32_t speedRange;  // Scatter: the speed's random part R(speedRange)
    double angleStep;    // radians between the shots of a spin or ring
    double timeScale;    // multiple of StageTime in the angle
    double factor;       // Scale: the velocity factor
};

// Field size for the random aims of 59 to 61: R(240) on each axis.
constexpr int32_t FlatRandomRange = 240;
// Scatter target offsets: R(120) - 60 on each axis.
constexpr int32_t FlatScatterRange = 120;
constexpr int32_t FlatScatterHalf = 60;
// The cross patterns turn their side shots by this plain decimal, not by pi / 2.
constexpr double FlatCrossTurn = 1.57;
// Every flat shot draws its picture as R(FlatKinds).
constexpr int32_t FlatKinds = 5;
// AimFlatShot: a target closer than this (after truncation) gives a random
// velocity R(110) - 50 on each axis.
constexpr int32_t FlatAimNear = 5;
constexpr int32_t FlatNearRange = 110;
constexpr int32_t FlatNearHalf = 50;

constexpr FlatPattern FlatPatterns[FlatPatternCount] = {
    //         shots rule                 speed speedStep fanStep speedRange angleStep timeScale factor
    /* 50  */ {1,    FlatRule::AimPlayer, 60,   0,        0,      0,         0,        0,        0},
    /* 51  */ {1,    FlatRule::AimPlayer, 120,  0,        0,      0,         0,        0,        0},
    /* 52  */ {1,    FlatRule::AimPlayer, 180,  0,        0,      0,         0,        0,        0},
    /* 53  */ {3,    FlatRule::Fan,       60,   0,        30,     0,         0,        0,        0},
    /* 54  */ {3,    FlatRule::Fan,       120,  0,        60,     0,         0,        0,        0},
    /* 55  */ {3,    FlatRule::Fan,       180,  0,        90,     0,         0,        0,        0},
    /* 56  */ {5,    FlatRule::Fan,       60,   0,        30,     0,         0,        0,        0},
    /* 57  */ {5,    FlatRule::Fan,       120,  0,        60,     0,         0,        0,        0},
    /* 58  */ {5,    FlatRule::Fan,       180,  0,        90,     0,         0,        0,        0},
    /* 59  */ {5,    FlatRule::AimRandom, 60,   0,        0,      0,         0,        0,        0},
    /* 60  */ {5,    FlatRule::AimRandom, 120,  0,        0,      0,         0,        0,        0},
    /* 61  */ {5,    FlatRule::AimRandom, 180,  0,        0,      0,         0,        0,        0},
    /* 62  */ {7,    FlatRule::Line,      0,    15,       0,      0,         0,        0,        0},
    /* 63  */ {7,    FlatRule::Line,      0,    23,       0,      0,         0,        0,        0},
    /* 64  */ {7,    FlatRule::Line,      0,    30,       0,      0,         0,        0,        0},
    /* 65  */ {2,    FlatRule::Pair,      60,   0,        0,      0,         0,        3,        0},
    /* 66  */ {2,    FlatRule::Pair,      120,  0,        0,      0,         0,        3,        0},
    /* 67  */ {2,    FlatRule::Pair,      180,  0,        0,      0,         0,        3,        0},
    /* 68  */ {2,    FlatRule::Pair,      60,   0,        0,      0,         0,        -3,       0},
    /* 69  */ {2,    FlatRule::Pair,      120,  0,        0,      0,         0,        -3,       0},
    /* 70  */ {2,    FlatRule::Pair,      180,  0,        0,      0,         0,        -3,       0},
    /* 71  */ {4,    FlatRule::Cross,     60,   0,        0,      0,         0,        2,        0},
    /* 72  */ {4,    FlatRule::Cross,     120,  0,        0,      0,         0,        2,        0},
    /* 73  */ {4,    FlatRule::Cross,     180,  0,        0,      0,         0,        2,        0},
    /* 74  */ {4,    FlatRule::Cross,     60,   0,        0,      0,         0,        4,        0},
    /* 75  */ {4,    FlatRule::Cross,     120,  0,        0,      0,         0,        4,        0},
    /* 76  */ {4,    FlatRule::Cross,     180,  0,        0,      0,         0,        4,        0},
    /* 77  */ {7,    FlatRule::Fan,       50,   0,        10,     0,         0,        0,        0},
    /* 78  */ {7,    FlatRule::Fan,       100,  0,        20,     0,         0,        0,        0},
    /* 79  */ {7,    FlatRule::Fan,       150,  0,        30,     0,         0,        0,        0},
    /* 80  */ {10,   FlatRule::Scatter,   50,   0,        0,      50,        0,        0,        0},
    /* 81  */ {10,   FlatRule::Scatter,   50,   0,        0,      100,       0,        0,        0},
    /* 82  */ {10,   FlatRule::Scatter,   50,   0,        0,      150,       0,        0,        0},
    /* 83  */ {5,    FlatRule::Spin,      60,   0,        0,      0,         0.1,      5,        0},
    /* 84  */ {5,    FlatRule::Spin,      120,  0,        0,      0,         0.1,      5,        0},
    /* 85  */ {5,    FlatRule::Spin,      180,  0,        0,      0,         0.1,      5,        0},
    /* 86  */ {5,    FlatRule::Spin,      60,   0,        0,      0,         0.1,      10,       0},
    /* 87  */ {5,    FlatRule::Spin,      120,  0,        0,      0,         0.1,      10,       0},
    /* 88  */ {5,    FlatRule::Spin,      180,  0,        0,      0,         0.1,      10,       0},
    /* 89  */ {10,   FlatRule::Column,    60,   6,        0,      0,         0,        0,        0},
    /* 90  */ {10,   FlatRule::Column,    80,   8,        0,      0,         0,        0,        0},
    /* 91  */ {10,   FlatRule::Column,    100,  10,       0,      0,         0,        0,        0},
    // Ring steps are plain decimals, so the 16-shot ring closes past a full turn.
    /* 92  */ {8,    FlatRule::Ring,      90,   0,        0,      0,         0.785,    1,        0},
    /* 93  */ {8,    FlatRule::Ring,      180,  0,        0,      0,         0.785,    1,        0},
    /* 94  */ {16,   FlatRule::Ring,      90,   0,        0,      0,         0.393,    1,        0},
    /* 95  */ {16,   FlatRule::Ring,      180,  0,        0,      0,         0.393,    1,        0},
    /* 96  */ {0,    FlatRule::Scale,     0,    0,        0,      0,         0,        0,        0.5},
    /* 97  */ {0,    FlatRule::Scale,     0,    0,        0,      0,         0,        0,        1.5},
    /* 98  */ {0,    FlatRule::Scale,     0,    0,        0,      0,         0,        0,        0.1},
    /* 99  */ {0,    FlatRule::Clear,     0,    0,        0,      0,         0,        0,        0},
    /* 100 */ {0,    FlatRule::Reverse,   0,    0,        0,      0,         0,        0,        0},
};

// ---- Boss steering: second-stream codes 0 to 49 -------------------------------------

constexpr int32_t BossCodeCount = 50;  // codes 0 to 49

enum class BossRule {
    Velocity,     // (BossVX, BossVY) = (vx, vy)
    HomePoint,    // home on (tx, ty) in k seconds
    HomeRandom,   // home on (R(180) + 30, R(180) + 30), x drawn first, in k seconds
    HomePlayer,   // home on (PlayerX, PlayerY) in k seconds
    JumpX,        // BossX = R(180) + 30, velocity kept
    JumpY,        // BossY = R(180) + 30, velocity kept
};

// Homing sets BossVX = trunc((tx - BossX) / k), BossVY = trunc((ty - BossY) / k).
struct BossSteer {
    BossRule rule;
    int32_t vx;
    int32_t vy;
    int32_t tx;
    int32_t ty;
    int32_t k;  // seconds to reach the point
};

// Random boss points: R(BossPointRange) + BossPointLow, 30 to 209.
constexpr int32_t BossPointRange = 180;
constexpr int32_t BossPointLow = 30;

constexpr BossSteer BossSteering[BossCodeCount] = {
    //        rule                  vx    vy    tx   ty   k
    // stop
    /* 0  */ {BossRule::Velocity,   0,    0,    0,   0,   0},
    // up
    /* 1  */ {BossRule::Velocity,   0,    -100, 0,   0,   0},
    /* 2  */ {BossRule::Velocity,   0,    -200, 0,   0,   0},
    /* 3  */ {BossRule::Velocity,   0,    -300, 0,   0,   0},
    /* 4  */ {BossRule::Velocity,   0,    -400, 0,   0,   0},
    // down
    /* 5  */ {BossRule::Velocity,   0,    100,  0,   0,   0},
    /* 6  */ {BossRule::Velocity,   0,    200,  0,   0,   0},
    /* 7  */ {BossRule::Velocity,   0,    300,  0,   0,   0},
    /* 8  */ {BossRule::Velocity,   0,    400,  0,   0,   0},
    // left
    /* 9  */ {BossRule::Velocity,   -100, 0,    0,   0,   0},
    /* 10 */ {BossRule::Velocity,   -200, 0,    0,   0,   0},
    /* 11 */ {BossRule::Velocity,   -300, 0,    0,   0,   0},
    /* 12 */ {BossRule::Velocity,   -400, 0,    0,   0,   0},
    // right
    /* 13 */ {BossRule::Velocity,   100,  0,    0,   0,   0},
    /* 14 */ {BossRule::Velocity,   200,  0,    0,   0,   0},
    /* 15 */ {BossRule::Velocity,   300,  0,    0,   0,   0},
    /* 16 */ {BossRule::Velocity,   400,  0,    0,   0,   0},
    // up and right
    /* 17 */ {BossRule::Velocity,   100,  -100, 0,   0,   0},
    /* 18 */ {BossRule::Velocity,   200,  -200, 0,   0,   0},
    /* 19 */ {BossRule::Velocity,   300,  -300, 0,   0,   0},
    /* 20 */ {BossRule::Velocity,   400,  -400, 0,   0,   0},
    // down and right
    /* 21 */ {BossRule::Velocity,   100,  100,  0,   0,   0},
    /* 22 */ {BossRule::Velocity,   200,  200,  0,   0,   0},
    /* 23 */ {BossRule::Velocity,   300,  300,  0,   0,   0},
    /* 24 */ {BossRule::Velocity,   400,  400,  0,   0,   0},
    // up and left
    /* 25 */ {BossRule::Velocity,   -100, -100, 0,   0,   0},
    /* 26 */ {BossRule::Velocity,   -200, -200, 0,   0,   0},
    /* 27 */ {BossRule::Velocity,   -300, -300, 0,   0,   0},
    /* 28 */ {BossRule::Velocity,   -400, -400, 0,   0,   0},
    // down and left
    /* 29 */ {BossRule::Velocity,   -100, 100,  0,   0,   0},
    /* 30 */ {BossRule::Velocity,   -200, 200,  0,   0,   0},
    /* 31 */ {BossRule::Velocity,   -300, 300,  0,   0,   0},
    /* 32 */ {BossRule::Velocity,   -400, 400,  0,   0,   0},
    // home on a fixed point: the centres of the walls, then the field centre
    /* 33 */ {BossRule::HomePoint,  0,    0,    120, 30,  1},
    /* 34 */ {BossRule::HomePoint,  0,    0,    120, 30,  2},
    /* 35 */ {BossRule::HomePoint,  0,    0,    120, 210, 1},
    /* 36 */ {BossRule::HomePoint,  0,    0,    120, 210, 2},
    /* 37 */ {BossRule::HomePoint,  0,    0,    30,  120, 1},
    /* 38 */ {BossRule::HomePoint,  0,    0,    30,  120, 2},
    /* 39 */ {BossRule::HomePoint,  0,    0,    210, 120, 1},
    /* 40 */ {BossRule::HomePoint,  0,    0,    210, 120, 2},
    /* 41 */ {BossRule::HomePoint,  0,    0,    120, 120, 1},
    /* 42 */ {BossRule::HomePoint,  0,    0,    120, 120, 2},
    // home on a random point
    /* 43 */ {BossRule::HomeRandom, 0,    0,    0,   0,   1},
    /* 44 */ {BossRule::HomeRandom, 0,    0,    0,   0,   2},
    /* 45 */ {BossRule::HomeRandom, 0,    0,    0,   0,   3},
    // jump along one axis
    /* 46 */ {BossRule::JumpX,      0,    0,    0,   0,   0},
    /* 47 */ {BossRule::JumpY,      0,    0,    0,   0,   0},
    // home on the player
    /* 48 */ {BossRule::HomePlayer, 0,    0,    0,   0,   1},
    /* 49 */ {BossRule::HomePlayer, 0,    0,    0,   0,   2},
};
