// The schedule of the game's timed waits, shared by both backends: chained waits count from the
// last deadline, so that the time spent drawing between them is not added to every wait.
#pragma once

// The schedule that sleeps chained with only drawing between them keep.
struct agenda_de_sonos {
    long long prazo_ns = 0; // when the last sleep was due to end
    bool com_prazo = false; // `prazo_ns` is set and no read or key wait has come since
};

// A sleep that begins within this time of the previous sleep's deadline counts from that
// deadline: the longest drawing a screen may take and still not be added to the wait after it.
// A console that draws slowly (wine's on a slow host: 5 to 10 ms a screen) needs more than a
// terminal does.
constexpr long long folga_encadeada_ns = 20'000'000;

// The deadline of a sleep of `ms` that begins at `agora_ns` (a monotonic clock, in nanoseconds),
// noted in the schedule. When it begins within the chaining slack of the last deadline, it counts
// from that deadline, so the time spent waking up and drawing is not added to every wait and a
// whole game does not drift; otherwise (the first, after a read or a key wait, or a late start)
// from now, so no wait is cut short by more than the slack.
long long prazo_do_sono(agenda_de_sonos& agenda, long long agora_ns, int ms);
