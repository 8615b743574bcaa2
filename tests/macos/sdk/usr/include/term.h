/* The part of macOS's <term.h> (ncurses 5.7) that the game calls: the low-level terminfo
   interface, with ncurses 5's prototypes, whose strings are char *, not const char *. */
#ifndef NCURSES_TERM_H_incl
#define NCURSES_TERM_H_incl 1

#ifdef __cplusplus
extern "C" {
#endif

typedef struct term TERMINAL;
extern TERMINAL* cur_term;

extern int setupterm(char*, int, int*);
extern int del_curterm(TERMINAL*);
extern int tigetflag(char*);
extern char* tigetstr(char*);
extern char* tparm(char*, ...);

#ifdef __cplusplus
}
#endif

#endif /* NCURSES_TERM_H_incl */
