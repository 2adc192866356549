// The Progress board: the only data the working threads share with the UI thread while
// the launch runs. Writers change one counter per atomic operation; the splash reads the
// board once per frame through overall_fraction. Nothing here takes a lock.
#pragma once

#include <atomic>
#include <cstdint>

// {total, now}: total is the amount the phase or transfer will reach (0 until known), now
// the amount done. Bytes for transfers, files for the runtime extraction. The pair is never
// read as a unit.
struct ProgressSlot {
    std::atomic<uint64_t> total;
    std::atomic<uint64_t> now;
};

struct ProgressBoard {
    ProgressSlot runtime_download;         // the runtime archive, in bytes
    ProgressSlot runtime_extraction;       // the runtime archive's files
    std::atomic<uint64_t> jar_count;       // entries in jar_slots; published last
    std::atomic<ProgressSlot *> jar_slots; // one slot per jar list entry
};

extern ProgressBoard progress_board;

// Marks both runtime phases as not needed, (1, 1), `now` before `total` in each, so a
// reader never takes a half-marked slot for a real phase at 0 per cent.
void progress_mark_runtime_current();

// Publishes the jar slots: the zero-filled array first, then the count, which is the
// publication point for the reader.
void progress_publish_jar_slots(ProgressSlot *slots, uint64_t count);

// A transfer's or a present jar's figures: `total` before `now`.
void progress_slot_set(ProgressSlot *slot, uint64_t total, uint64_t now);

// The overall progress, nominally 0 to 1 and not clamped: runtime download 0.25, runtime
// extraction 0.25, the jars 0.5 shared equally; a runtime phase marked not needed hands its
// weight to the jars. Single-precision arithmetic in a fixed order, so the result is the
// same on every system.
float overall_fraction();
