// Every timed wait of the game, in milliseconds, but the flashes, whose times are the palette's
// (paleta.h).
#pragma once

namespace duracao {

inline constexpr int jogo_iniciado = 1000;      // the start banner of a game
inline constexpr int passo_da_contagem = 1000;  // each of the five texts of a round's count-down
inline constexpr int depois_das_cores = 100;    // the last flash's colour, empty, before the legend
inline constexpr int antes_da_rodada = 3000;    // after the go-on answer, before the next round
inline constexpr int tela_vazia_do_erro = 1000; // the empty screen before "SEQUENCIA ERRADA!"
inline constexpr int sequencia_certa = 4000;    // the right sequence, before the menu
inline constexpr int vitoria = 6000;            // the victory screen
inline constexpr int quadros_dos_fogos[] = {300, 300, 500}; // each fireworks frame, in order
inline constexpr int opcao_invalida = 1000;                 // "Opcao invalida!" below the menu

} // namespace duracao
