// The console schemes as colours.
#include "console/comum/cores.h"

namespace {

int valor_hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

} // namespace

cores_do_esquema ler_esquema(std::string_view esquema) {
    return {valor_hex(esquema.size() > 0 ? esquema[0] : '0'),
            valor_hex(esquema.size() > 1 ? esquema[1] : '7')};
}

std::string sgr_de_esquema(std::string_view esquema) {
    const cores_do_esquema cores = ler_esquema(esquema);
    const int sgr_fundo = (cores.fundo < 8 ? 40 : 100) + ansi_do_digito(cores.fundo);
    const int sgr_frente = (cores.frente < 8 ? 30 : 90) + ansi_do_digito(cores.frente);
    return "\033[0;" + std::to_string(sgr_fundo) + ";" + std::to_string(sgr_frente) + "m";
}
