// The game flow: the main menu loop, the game of up to five rounds and the draw of the colours.
#pragma once

// The menu loop: shows the menu and runs the option chosen, for ever.
[[noreturn]] void laco_do_menu();

// One game, from the start banner to its ending; returns to the menu loop.
void jogo();

// Draws 50 fresh colour numbers into `sequencia` and flashes the first `quantidade` of them;
// returns with the screen cleared and the last colour's scheme still in force.
void seletor_primeira_rodada(int* sequencia, int quantidade);
