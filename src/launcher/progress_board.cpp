#include "launcher/progress_board.h"

ProgressBoard progress_board;

void progress_mark_runtime_current()
{
    progress_board.runtime_download.now.exchange(1);
    progress_board.runtime_download.total.exchange(1);
    progress_board.runtime_extraction.now.exchange(1);
    progress_board.runtime_extraction.total.exchange(1);
}

void progress_publish_jar_slots(ProgressSlot *slots, uint64_t count)
{
    for (uint64_t i = 0; i < count; i++) {
        slots[i].total.store(0, std::memory_order_relaxed);
        slots[i].now.store(0, std::memory_order_relaxed);
    }
    progress_board.jar_slots.store(slots);
    progress_board.jar_count.store(count, std::memory_order_release);
}

void progress_slot_set(ProgressSlot *slot, uint64_t total, uint64_t now)
{
    slot->total.exchange(total);
    slot->now.exchange(now);
}

float overall_fraction()
{
    const ProgressBoard &board = progress_board;
    float fraction = 0.0f;
    float jar_weight = 0.5f;

    // Each total is read once and tested before it divides, so a total that a transfer
    // reports as 0 again can never divide by zero.
    uint64_t total = board.runtime_download.total.load();
    if (total != 0) {
        uint64_t now = board.runtime_download.now.load();
        if (total == 1 && now == 1)
            jar_weight = 0.75f;
        else
            fraction = 0.0f + (static_cast<float>(now) / static_cast<float>(total)) * 0.25f;
    }

    total = board.runtime_extraction.total.load();
    if (total != 0) {
        uint64_t now = board.runtime_extraction.now.load();
        if (total == 1 && now == 1)
            jar_weight += 0.25f;
        else
            fraction += (static_cast<float>(now) / static_cast<float>(total)) * 0.25f;
    }

    uint64_t jar_count = board.jar_count.load(std::memory_order_acquire);
    if (jar_count != 0) {
        const ProgressSlot *slots = board.jar_slots.load(std::memory_order_acquire);
        float share = jar_weight / static_cast<float>(jar_count);
        for (uint64_t i = 0; i < jar_count; i++) {
            uint64_t jar_total = slots[i].total.load();
            if (jar_total == 0)
                continue;
            // A jar adds its whole share when it completes, and nothing before.
            uint64_t finished = slots[i].now.load() / jar_total;
            fraction += static_cast<float>(finished) * share;
        }
    }
    return fraction;
}
