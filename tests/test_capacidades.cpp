// Unit tests of what the POSIX backend reads of a terminal: terminfo capabilities, encoding.
#include "console/posix/capacidades.h"

#include <cstdlib>
#include <gtest/gtest.h>

TEST(Capacidades, DaEntradaDoTerminalOuAsDeHoje) {
    const capacidades_do_terminal xterm = ler_capacidades("xterm");
    EXPECT_TRUE(xterm.apaga_com_fundo);
    EXPECT_EQ(xterm.entrar_na_alternativa.rfind("\033[?1049h", 0), 0u);
    EXPECT_EQ(xterm.cursor_cinza, "\033]12;rgb:c0/c0/c0\007");
    EXPECT_EQ(xterm.cursor_original, "\033]112\007");

    const capacidades_do_terminal screen = ler_capacidades("screen");
    EXPECT_FALSE(screen.apaga_com_fundo);
    EXPECT_TRUE(screen.escreve_ultima_celula);
    EXPECT_EQ(screen.sair_da_alternativa, "\033[?1049l");
    EXPECT_EQ(screen.cursor_cinza, "");

    // vt100 has no alternate screen; dumb neither, and its last cell scrolls.
    EXPECT_EQ(ler_capacidades("vt100").entrar_na_alternativa, "");
    const capacidades_do_terminal dumb = ler_capacidades("dumb");
    EXPECT_FALSE(dumb.apaga_com_fundo);
    EXPECT_FALSE(dumb.escreve_ultima_celula);
    EXPECT_EQ(dumb.entrar_na_alternativa, "");
    EXPECT_EQ(dumb.sair_da_alternativa, "");

    // No entry: the ANSI terminals of today.
    unsetenv("TERM");
    for (const capacidades_do_terminal& c :
         {ler_capacidades("nenhum-terminal-assim"), ler_capacidades(nullptr)}) {
        EXPECT_TRUE(c.apaga_com_fundo);
        EXPECT_EQ(c.entrar_na_alternativa, "\033[?1049h");
        EXPECT_EQ(c.sair_da_alternativa, "\033[?1049l");
        EXPECT_EQ(c.cursor_cinza, "");
    }
}

TEST(Capacidades, UmBytePorCaractereSoNosCodigosLatinos) {
    for (const char* latino : {"ISO-8859-1", "ISO8859-1", "iso88591", "ISO-8859-15", "ISO8859-15",
                               "CP1252", "WINDOWS-1252"})
        EXPECT_TRUE(codificacao_de_um_byte(latino)) << latino;
    for (const char* outro :
         {"UTF-8", "utf8", "ANSI_X3.4-1968", "US-ASCII", "ISO-8859-5", "KOI8-R", "EUC-JP", ""})
        EXPECT_FALSE(codificacao_de_um_byte(outro)) << outro;
}
