// The schedule of the game's timed waits.
#include "console/comum/agenda.h"

long long prazo_do_sono(agenda_de_sonos& agenda, long long agora, int ms) {
    const bool encadeado = agenda.com_prazo && agora - agenda.prazo_ns <= folga_encadeada_ns;
    agenda.prazo_ns = (encadeado ? agenda.prazo_ns : agora) + ms * 1'000'000LL;
    agenda.com_prazo = true;
    return agenda.prazo_ns;
}
