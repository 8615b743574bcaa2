// The game flow: the main menu loop, the game of up to five rounds and the colour sequence.
#pragma once

// The menu loop: shows the menu and runs the option chosen, for ever.
[[noreturn]] void laco_do_menu();

// Draws the main menu and returns the number typed (`nao_numero` for an entry that is not one).
int menu();

// One game, from the start banner to its ending; returns to the menu loop.
void jogo();

// Announces round `numero` and counts down five seconds; returns with the screen cleared.
void rodada(int numero);

// Draws 50 fresh colour numbers into `sequencia` and flashes the first `quantidade` of them;
// returns with the screen cleared and the last colour's scheme still in force.
void seletor_primeira_rodada(int* sequencia, int quantidade);

// Writes the legend of the six colours and puts the console back to its normal scheme.
void tabela_cores();
