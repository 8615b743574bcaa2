/* The part of macOS's <curses.h> (ncurses 5.7, as its SDK ships it) that the game's terminfo
   look-ups need beside <term.h>: the macros that say which ncurses this is, and OK and ERR. */
#ifndef __NCURSES_H
#define __NCURSES_H

#define NCURSES_VERSION_MAJOR 5
#define NCURSES_VERSION_MINOR 7
#define NCURSES_VERSION "5.7"

/* ncurses 5 built without --enable-const: the strings it reads are declared char *. */
#undef NCURSES_CONST
#define NCURSES_CONST /* nothing */

#define ERR (-1)
#define OK (0)

#endif /* __NCURSES_H */
