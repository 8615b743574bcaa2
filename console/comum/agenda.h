// The schedule of the game's timed waits, kept alike by both backends: waits chained with only
// drawing between them count from the last deadline, so that a whole game does not drift.
#pragma once

struct agenda_de_sonos {
    long long prazo_ns = 0; // when the last sleep was due to end
    bool com_prazo = false; // `prazo_ns` is set and no read or key wait has come since
};

// The longest drawing between two sleeps that is not added to the wait after it: a console that
// draws slowly (wine's on a slow host: 5 to 10 ms a screen) needs more than a terminal does.
constexpr long long folga_encadeada_ns = 20'000'000;

// The deadline of a sleep of `ms` that begins at `agora_ns` (a monotonic clock), noted in the
// schedule: from the last deadline when it begins within the slack of it, else (the first, after
// a read or a key wait, or a late start) from now, so no wait is cut short by more than the slack.
long long prazo_do_sono(agenda_de_sonos& agenda, long long agora_ns, int ms);
