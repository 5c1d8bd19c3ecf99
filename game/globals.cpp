// The game-wide values, with their values at process start. Their meaning is
// told where they are declared, in globals.h.
#include "globals.h"

int32_t GameMode = 0;
int32_t Character = 0;
int32_t StageNo = 0;
int32_t LastStage = 0;
uint32_t Score = 0;
int32_t Lives = 0;
int32_t Bombs = 0;
int32_t Combo = 0;
float ComboTimer = 0.0f;
int32_t ComboRunning = 0;
int32_t MaxCombo = 0;
char PathBuffer[PathBufferSize] = {};
uint32_t GameRandom = 1;

int32_t MenuBackImage = 0;
int32_t StageImage = 0;
int32_t ChipsImage2 = 0;
int32_t DigitsImage = 0;
int32_t MenuBarImage = 0;
int32_t ShotSound = 0;
int32_t HitSound = 0;
int32_t BombSound = 0;
int32_t FlatShotSound = 0;
int32_t MenuLoopSound = 0;
int32_t DepthShotSound = 0;
int32_t ComboEndSound = 0;
int32_t StageMusic = 0;
int32_t LaserSound = 0;

int32_t MenuRow = 0;
int32_t MenuStripPhase = 0;
int32_t MenuKeyLatch = 0;
int32_t ConfirmLatch = 0;
int32_t StickX = 0;
int32_t StickY = 0;

int32_t BossHp = 0;
float StageTime = 0.0f;
float Script1Delay = 0.0f;
float Script2Delay = 0.0f;
std::FILE* Script1File = nullptr;
std::FILE* Script2File = nullptr;
std::FILE* BossHpFile = nullptr;
int32_t StageDataSource = 0;

float GameDelta = 0.0f;
float SideScroll = 0.0f;
float CenterScroll = 0.0f;
int32_t ReverseStock = 0;
float ReverseCooldown = 0.0f;
float HitTimer = 0.0f;

float PlayerX = 0.0f;
float PlayerY = 0.0f;
int32_t PlayerSpeed = 0;
int32_t PlayerFrame = 0;
float ShotTimer = 0.0f;
PlayerShotEntry PlayerShot[PlayerShotCount] = {};
int32_t PlayerShotCursor = 0;

DepthShotEntry DepthShot[DepthShotCount] = {};
int32_t DepthShotCursor = 0;
FlatShotEntry FlatShot[FlatShotCount] = {};
int32_t FlatShotCursor = 0;
BurstEntry Burst[BurstCount] = {};
int32_t BurstCursor = 0;
float BossX = 0.0f;
float BossY = 0.0f;
int32_t BossVX = 0;
int32_t BossVY = 0;
int32_t BossPose = 0;

float BombTimer = 0.0f;
