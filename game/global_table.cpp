// The list of every game value and shot table (see global_table.h).
#include "global_table.h"

#include <cstdio>
#include <cstring>

#include "game.h"
#include "ktSystem.h"

#define VALUE(type, name) {#name, ValueType::type, &name, sizeof name}
#define ENGINE_VALUE(type, name) {#name, ValueType::type, &ktSystem::name, sizeof ktSystem::name}
#define FIELD(entry, type, name) {#name, ValueType::type, offsetof(entry, name)}

const GameValue GameValues[] = {
    // The engine's values that the game reads and writes.
    ENGINE_VALUE(I32, SceneId),
    ENGINE_VALUE(F32, FrameSeconds),
    ENGINE_VALUE(I32, AppActive),
    ENGINE_VALUE(I32, ShutdownState),
    ENGINE_VALUE(U32, LastFrameTick),
    ENGINE_VALUE(I32, ClientLeft),
    ENGINE_VALUE(I32, ClientTop),
    // Game state and resource set.
    VALUE(I32, GameMode),
    VALUE(I32, Character),
    VALUE(I32, StageNo),
    VALUE(I32, LastStage),
    VALUE(U32, Score),
    VALUE(I32, Lives),
    VALUE(I32, Bombs),
    VALUE(I32, Combo),
    VALUE(F32, ComboTimer),
    VALUE(I32, ComboRunning),
    VALUE(I32, MaxCombo),
    VALUE(Text, PathBuffer),
    VALUE(U32, GameRandom),
    VALUE(I32, MenuBackImage),
    VALUE(I32, StageImage),
    VALUE(I32, ChipsImage2),
    VALUE(I32, DigitsImage),
    VALUE(I32, MenuBarImage),
    VALUE(I32, ShotSound),
    VALUE(I32, HitSound),
    VALUE(I32, BombSound),
    VALUE(I32, FlatShotSound),
    VALUE(I32, MenuLoopSound),
    VALUE(I32, DepthShotSound),
    VALUE(I32, ComboEndSound),
    VALUE(I32, StageMusic),
    VALUE(I32, LaserSound),
    // Menu scenes.
    VALUE(I32, MenuRow),
    VALUE(I32, MenuStripPhase),
    VALUE(I32, MenuKeyLatch),
    VALUE(I32, ConfirmLatch),
    VALUE(I32, StickX),
    VALUE(I32, StickY),
    // Stage and scripts.
    VALUE(I32, BossHp),
    VALUE(F32, StageTime),
    VALUE(F32, Script1Delay),
    VALUE(F32, Script2Delay),
    VALUE(File, Script1File),
    VALUE(File, Script2File),
    VALUE(File, BossHpFile),
    VALUE(I32, StageDataSource),
    // Play scene.
    VALUE(F32, GameDelta),
    VALUE(F32, SideScroll),
    VALUE(F32, CenterScroll),
    VALUE(I32, ReverseStock),
    VALUE(F32, ReverseCooldown),
    VALUE(F32, HitTimer),
    // Player.
    VALUE(F32, PlayerX),
    VALUE(F32, PlayerY),
    VALUE(I32, PlayerSpeed),
    VALUE(I32, PlayerFrame),
    VALUE(F32, ShotTimer),
    VALUE(I32, PlayerShotCursor),
    // Enemy shots, boss and bursts.
    VALUE(I32, DepthShotCursor),
    VALUE(I32, FlatShotCursor),
    VALUE(I32, BurstCursor),
    VALUE(F32, BossX),
    VALUE(F32, BossY),
    VALUE(I32, BossVX),
    VALUE(I32, BossVY),
    VALUE(I32, BossPose),
    // Bomb.
    VALUE(F32, BombTimer),
};
const int GameValueCount = int(sizeof GameValues / sizeof GameValues[0]);

namespace {

constexpr TableField DepthShotFields[] = {
    FIELD(DepthShotEntry, F32, x),     FIELD(DepthShotEntry, F32, y),
    FIELD(DepthShotEntry, F32, z),     FIELD(DepthShotEntry, I32, vx),
    FIELD(DepthShotEntry, I32, vy),    FIELD(DepthShotEntry, I32, vz),
    FIELD(DepthShotEntry, I32, kind),  FIELD(DepthShotEntry, I32, active),
};
constexpr TableField FlatShotFields[] = {
    FIELD(FlatShotEntry, F32, x),    FIELD(FlatShotEntry, F32, y),
    FIELD(FlatShotEntry, I32, vx),   FIELD(FlatShotEntry, I32, vy),
    FIELD(FlatShotEntry, I32, kind), FIELD(FlatShotEntry, I32, active),
};
constexpr TableField PlayerShotFields[] = {
    FIELD(PlayerShotEntry, F32, x),  FIELD(PlayerShotEntry, F32, y),
    FIELD(PlayerShotEntry, I32, vx), FIELD(PlayerShotEntry, I32, vy),
    FIELD(PlayerShotEntry, I32, active),
};
constexpr TableField BurstFields[] = {
    FIELD(BurstEntry, I32, x),      FIELD(BurstEntry, I32, y),
    FIELD(BurstEntry, I32, active), FIELD(BurstEntry, I32, frame),
};

template <typename Entry, int N, int F>
constexpr GameTableInfo Table(const char* name, Entry (&table)[N], const TableField (&fields)[F]) {
    return {name, table, N, sizeof(Entry), fields, F};
}

}  // namespace

const GameTableInfo GameTables[] = {
    Table("DepthShot", DepthShot, DepthShotFields),
    Table("FlatShot", FlatShot, FlatShotFields),
    Table("PlayerShot", PlayerShot, PlayerShotFields),
    Table("Burst", Burst, BurstFields),
};
const int GameTableCount = int(sizeof GameTables / sizeof GameTables[0]);

const GameValue* FindGameValue(const char* name) {
    for (const GameValue& value : GameValues)
        if (std::strcmp(value.name, name) == 0) return &value;
    return nullptr;
}

const GameTableInfo* FindGameTable(const char* name) {
    for (const GameTableInfo& table : GameTables)
        if (std::strcmp(table.name, name) == 0) return &table;
    return nullptr;
}

const TableField* FindTableField(const GameTableInfo& table, const char* name) {
    for (int i = 0; i < table.fieldCount; i++)
        if (std::strcmp(table.fields[i].name, name) == 0) return &table.fields[i];
    return nullptr;
}

void ZeroGameState() {
    for (const GameValue& value : GameValues) {
        if (value.type == ValueType::File) {
            auto* file = static_cast<std::FILE**>(value.address);
            if (*file) std::fclose(*file);
            *file = nullptr;
        } else {
            std::memset(value.address, 0, value.size);
        }
    }
    for (const GameTableInfo& table : GameTables)
        std::memset(table.base, 0, size_t(table.count) * table.stride);
    GameRandom = 1;
}
