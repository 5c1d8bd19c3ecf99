// The list of every game value and shot table (see global_table.h).
#include "global_table.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "game.h"
#include "ktSystem.h"
#include "replay.h"

// VALUE and ENGINE_VALUE: part of the play state, which a replay's
// checkpoints hash; ASIDE: a value that is not (it says where the machine
// keeps things, or belongs to the menus alone).
#define VALUE(type, name) {#name, ValueType::type, &name, sizeof name, true}
#define ASIDE(type, name) {#name, ValueType::type, &name, sizeof name, false}
#define ENGINE_VALUE(type, name) {#name, ValueType::type, &ktSystem::name, sizeof ktSystem::name, true}
#define ENGINE_ASIDE(type, name) {#name, ValueType::type, &ktSystem::name, sizeof ktSystem::name, false}
#define FIELD(entry, type, name) {#name, ValueType::type, offsetof(entry, name)}

const GameValue GameValues[] = {
    // The engine's values that the game reads and writes.
    ENGINE_VALUE(I32, SceneId),
    ENGINE_ASIDE(F32, FrameSeconds),  // a measurement; GameDelta, made of it, is the play's
    ENGINE_ASIDE(I32, AppActive),
    ENGINE_ASIDE(I32, ShutdownState),
    ENGINE_ASIDE(U32, LastFrameTick),
    ENGINE_ASIDE(I32, ClientLeft),
    ENGINE_ASIDE(I32, ClientTop),
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
    ASIDE(Text, PathBuffer),
    VALUE(U32, GameRandom),
    ASIDE(I32, MenuBackImage),
    ASIDE(I32, StageImage),
    ASIDE(I32, ChipsImage2),
    ASIDE(I32, DigitsImage),
    ASIDE(I32, MenuBarImage),
    ASIDE(I32, ShotSound),
    ASIDE(I32, HitSound),
    ASIDE(I32, BombSound),
    ASIDE(I32, FlatShotSound),
    ASIDE(I32, MenuLoopSound),
    ASIDE(I32, DepthShotSound),
    ASIDE(I32, ComboEndSound),
    ASIDE(I32, StageMusic),
    ASIDE(I32, LaserSound),
    // Menu scenes.
    ASIDE(I32, MenuRow),
    ASIDE(I32, MenuStripPhase),
    ASIDE(I32, MenuKeyLatch),
    ASIDE(I32, ConfirmLatch),
    VALUE(I32, StickX),
    VALUE(I32, StickY),
    // Stage and scripts.
    VALUE(I32, BossHp),
    VALUE(F32, StageTime),
    VALUE(F32, Script1Delay),
    VALUE(F32, Script2Delay),
    ASIDE(File, Script1File),
    ASIDE(File, Script2File),
    ASIDE(File, BossHpFile),
    ASIDE(I32, StageDataSource),
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
    StopPlayback();  // a replay played or watched, and its stage files, are let go with the rest
}

namespace {

struct Fnv {
    uint32_t hash = 2166136261u;
    void Add(const void* bytes, size_t size) {
        const auto* p = static_cast<const uint8_t*>(bytes);
        for (size_t i = 0; i < size; i++) hash = (hash ^ p[i]) * 16777619u;
    }
    void Add32(uint32_t value) {
        const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        Add(bytes, 4);
    }
};

}  // namespace

uint32_t PlayStateHash() {
    Fnv fnv;
    for (const GameValue& value : GameValues) {
        if (!value.play) continue;
        uint32_t word;  // every play value is one 32-bit word
        std::memcpy(&word, value.address, 4);
        fnv.Add32(word);
    }
    for (std::FILE* stream : {Script1File, Script2File}) fnv.Add32(uint32_t(stream ? std::ftell(stream) : -1L));
    for (int pad = 0; pad < 2; pad++) {
        fnv.Add32(uint32_t(ktSystem::PadCentred[pad]));
        fnv.Add32(uint32_t(ktSystem::PadCentreX[pad]));
        fnv.Add32(uint32_t(ktSystem::PadCentreY[pad]));
    }
    for (const GameTableInfo& table : GameTables) {
        const TableField* active = FindTableField(table, "active");
        for (int slot = 0; slot < table.count; slot++) {
            const uint8_t* entry = static_cast<const uint8_t*>(table.base) + size_t(slot) * table.stride;
            uint32_t inUse;
            std::memcpy(&inUse, entry + active->offset, 4);
            fnv.Add32(inUse);
            if (!inUse) continue;
            for (int f = 0; f < table.fieldCount; f++) {
                uint32_t word;
                std::memcpy(&word, entry + table.fields[f].offset, 4);
                fnv.Add32(word);
            }
        }
    }
    return fnv.hash;
}
