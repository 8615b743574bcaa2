// The main menu, centred in the window, and the message for an invalid option.
#include "console/console.h"
#include "screens/duracoes.h"
#include "screens/telas.h"

int menu() {
    struct linha_do_menu {
        int linha;
        const char* texto;
    };
    static constexpr linha_do_menu linhas[] = {
        {2, "\033[36m          *        .        *\033[0m"},
        {3, "\033[36m     .        .         .        .\033[0m"},
        {5, "\033[36m========================================\033[0m"},
        {6, "\033[36m         Q U I R E L O   Z A V\033[0m"},
        {7, "\033[36m              T U N I X\033[0m"},
        {8, "\033[36m========================================\033[0m"},
        {10, "\033[36m     .        .         .        .\033[0m"},
        {11, "\033[36m          *        .        *\033[0m"},
        {14, "\033[32m[ 1 ] COMECAR JOGO\033[0m"},
        {16, "\033[33m[ 2 ] REGRAS\033[0m"},
        {18, "\033[31m[ 3 ] CREDITOS\033[0m"},
        {20, "\033[36m========================================\033[0m"},
        {22, "\033[37mOpcao: \033[0m"},
    };
    limpar_tela();
    for (const auto& [linha, texto] : linhas) {
        centralizar(linha);
        escrever(texto);
    }
    escrever_linha("\nATENCAO: serao aceitos apenas numeros.");
    escrever_linha("Letras ou numeros diferentes serão considerados errados.\n");
    return ler_numero();
}

void opcao_invalida() {
    escrever("\033[31m");
    escrever("\nOpcao invalida!");
    escrever("\033[0m");
    esperar(duracao::opcao_invalida);
}
