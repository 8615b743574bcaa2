// The chained schedule of the timed waits, alike in both backends, so that a game does not drift.
#pragma once

struct agenda_de_sonos {
    long long prazo_ns = 0; // when the last sleep was due to end
    bool com_prazo = false; // `prazo_ns` is set and no read or key wait has come since
};

// The most drawing between sleeps not added to the next wait (wine's console: 5-10 ms a screen).
constexpr long long folga_encadeada_ns = 20'000'000;

// The deadline, noted, of a sleep of `ms` begun at `agora_ns` (a monotonic clock): from the last
// deadline when within the slack of it, else (the first, after a read or key wait, late) from now.
long long prazo_do_sono(agenda_de_sonos& agenda, long long agora_ns, int ms);
