// What both terminal backends share: scheme colours, the reset, the colour codes, the width.
#include "console/esquema.h"

#include <algorithm>
#include <cstdlib>

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

int largura_sem_janela() {
    if (const char* colunas = std::getenv("COLUMNS")) {
        char* fim = nullptr;
        const long valor = std::strtol(colunas, &fim, 10);
        if (fim != colunas && *fim == '\0' && valor > 0 && valor < 100000)
            return static_cast<int>(valor);
    }
    return 80;
}

void anexar_com_normal(std::string& saida, std::string_view bytes, std::string_view normal) {
    std::size_t de = 0;
    for (auto achado = bytes.find(atributos_normais); achado != std::string_view::npos;
         achado = bytes.find(atributos_normais, de)) {
        saida.append(bytes.substr(de, achado - de));
        saida.append(normal);
        de = achado + atributos_normais.size();
    }
    saida.append(bytes.substr(de));
}

std::size_t fim_do_codigo(std::string_view texto, std::size_t codigo) {
    for (auto fim = codigo + 2; fim < texto.size(); ++fim)
        if (texto[fim] >= 0x40 && texto[fim] <= 0x7E) return fim;
    return std::string_view::npos;
}

std::string sem_cores(std::string_view tela) {
    std::string saida;
    while (!tela.empty()) {
        const auto codigo = tela.find("\033[");
        saida.append(tela.substr(0, codigo));
        if (codigo == std::string_view::npos) break;
        const auto fim = fim_do_codigo(tela, codigo);
        if (fim == std::string_view::npos) break; // a code cut short draws nothing
        if (tela[fim] != 'm') saida.append(tela.substr(codigo, fim + 1 - codigo));
        tela.remove_prefix(fim + 1);
    }
    return saida;
}
