/* The part of macOS's <term.h> (ncurses 5.7) that the game calls: the low-level terminfo
   interface, with ncurses 5's prototypes, whose strings are char *, not const char *. */
#ifndef NCURSES_TERM_H_incl
#define NCURSES_TERM_H_incl 1

#ifndef NCURSES_CONST
#define NCURSES_CONST /* nothing */
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct term TERMINAL;
extern TERMINAL* cur_term;

extern int setupterm(NCURSES_CONST char*, int, int*);
extern int del_curterm(TERMINAL*);
extern int tigetflag(NCURSES_CONST char*);
extern char* tigetstr(NCURSES_CONST char*);
extern char* tparm(NCURSES_CONST char*, ...);

#ifdef __cplusplus
}
#endif

#endif /* NCURSES_TERM_H_incl */
