/* The part of macOS's <curses.h> (ncurses 5.7) that the game's terminfo look-ups use: OK. */
#ifndef __NCURSES_H
#define __NCURSES_H

#define OK (0)

#endif /* __NCURSES_H */
