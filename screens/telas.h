// The fixed text screens: rules, credits and the three screens that end a game.
#pragma once

// The rules and the coloured table of colours, until a key is pressed.
void regras();

// The game's authors, until a key is pressed.
void creditos();

// The wrong-sequence screen; returns at once with the cursor on the line below it.
void erro();

// The victory screen, held for six seconds.
void vitoria();

// Three frames of fireworks; the last one stays on screen.
void fogos();
