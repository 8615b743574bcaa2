// Unit tests of the pieces both terminal backends share: scheme colours and SGR attributes, and
// the schedule of the timed waits.
#include "console/comum/agenda.h"
#include "console/comum/tela.h"
#include "console/windows/atributos.h"

#include <gtest/gtest.h>

TEST(Esquema, CadaEsquemaDoJogoEmSgrEAtributo) {
    struct caso {
        const char* esquema;
        const char* sgr;
        int atributo;
    };
    const caso casos[] = {
        {"4F", "\033[0;41;97m", 0x4F}, {"1F", "\033[0;44;97m", 0x1F}, {"2F", "\033[0;42;97m", 0x2F},
        {"6F", "\033[0;43;97m", 0x6F}, {"5F", "\033[0;45;97m", 0x5F}, {"3F", "\033[0;46;97m", 0x3F},
        {"07", "\033[0;40;37m", 0x07},
    };
    for (const caso& c : casos) {
        EXPECT_EQ(sgr_de_esquema(c.esquema), c.sgr) << c.esquema;
        EXPECT_EQ(atributo_de_esquema(c.esquema), c.atributo) << c.esquema;
    }
}

TEST(Esquema, DigitosClarosMinusculosEFaltantes) {
    EXPECT_EQ(sgr_de_esquema("9c"), "\033[0;104;91m"); // bright blue, bright red
    EXPECT_EQ(atributo_de_esquema("9c"), 0x9C);
    EXPECT_EQ(sgr_de_esquema("E8"), "\033[0;103;90m"); // bright yellow, dark grey
    EXPECT_EQ(atributo_de_esquema("1"), 0x17);         // the text digit defaults to light grey
    EXPECT_EQ(atributo_de_esquema(""), 0x07);
    EXPECT_EQ(atributo_de_esquema("Z1"), 0x01); // not a hexadecimal digit: 0
}

TEST(AtributoAposSgr, AsCoresDeTextoDoJogoMantemOFundo) {
    // Red, green, yellow, blue, magenta, cyan and light grey text on blue,
    const std::pair<const char*, int> casos[] = {{"31", 0x14}, {"32", 0x12}, {"33", 0x16},
                                                 {"34", 0x11}, {"35", 0x15}, {"36", 0x13},
                                                 {"37", 0x17}};
    for (auto [parametros, atributo] : casos)
        EXPECT_EQ(atributo_apos_sgr(0x1F, parametros, 0x07), atributo) << parametros;
}

TEST(AtributoAposSgr, ReinicioVoltaAoNormalDado) {
    EXPECT_EQ(atributo_apos_sgr(0x14, "0", 0x4F), 0x4F);
    EXPECT_EQ(atributo_apos_sgr(0x14, "", 0x07), 0x07); // "\033[m" is a reset too
    EXPECT_EQ(atributo_apos_sgr(0x14, "39", 0x4F), 0x1F);
    EXPECT_EQ(atributo_apos_sgr(0x14, "49", 0x4F), 0x44);
}

TEST(AtributoAposSgr, SequenciaDoEsquemaDaOAtributoDoEsquema) {
    for (const char* esquema : {"4F", "1F", "2F", "6F", "5F", "3F", "07", "9c"}) {
        const std::string sgr = sgr_de_esquema(esquema);
        const std::string parametros = sgr.substr(2, sgr.size() - 3); // between "\033[" and 'm'
        EXPECT_EQ(atributo_apos_sgr(0x07, parametros, 0x07), atributo_de_esquema(esquema))
            << esquema;
    }
}

TEST(AtributoAposSgr, IntensidadeEFundoClaro) {
    EXPECT_EQ(atributo_apos_sgr(0x04, "1", 0x07), 0x0C);
    EXPECT_EQ(atributo_apos_sgr(0x0C, "22", 0x07), 0x04);
    EXPECT_EQ(atributo_apos_sgr(0x0C, "32", 0x07), 0x02); // a colour of the eight is never bright
    EXPECT_EQ(atributo_apos_sgr(0x07, "101;30", 0x07), 0xC0);
}

TEST(AtributoAposSgr, SequenciaDesconhecidaNaoMudaNada) {
    EXPECT_EQ(atributo_apos_sgr(0x1F, "?25", 0x07), 0x1F);
    EXPECT_EQ(atributo_apos_sgr(0x1F, "38:5:1", 0x07), 0x1F);
    // Bits above the colours (such as the console's underline) are kept.
    EXPECT_EQ(atributo_apos_sgr(0x8014, "0", 0x07), 0x8007);
}

TEST(AnexarComNormal, CadaReinicioDoJogoVoltaAoEsquema) {
    tela_do_jogo t;
    t.pendente = "x";
    mudar_esquema(t, "4F");
    anexar(t, "\033[31mA\033[0mB\033[0m");
    EXPECT_EQ(t.pendente, "x\033[31mA\033[0;41;97mB\033[0;41;97m");
    t.pendente.clear();
    anexar(t, "sem codigo \033[0");
    EXPECT_EQ(t.pendente, "sem codigo \033[0") << "a code cut short is left alone";
}

// What was drawn, kept to draw it again: the centred moves placed again by their rule on a new
// width (refused where the column is negative), the colours dropped for a new scheme; and the
// moves read back as positions by a console without VT codes.
TEST(Desenho, MovimentosPostosDeNovoPelaRegraNumaNovaLargura) {
    tela_do_jogo d;
    const auto bloco = [](int largura) { return (largura - 40) / 2; };
    guardar(d, "\033[36mA");
    mover(d, 14, bloco, 80);
    EXPECT_EQ(d.pendente, "\033[15;21H");
    guardar(d, "B\033[0m");
    mover(d, 2, bloco, 38);
    EXPECT_EQ(d.pendente, "\033[15;21H") << "refused as a whole";
    EXPECT_EQ(desenho_em(d), "\033[36mA\033[15;21HB\033[0m");
    EXPECT_EQ(desenho_em(d, 120), "\033[36mA\033[15;41HB\033[0m\033[3;41H");
    mudar_esquema(d, "4F");
    EXPECT_EQ(desenho_em(d, 38), "AB");
    EXPECT_EQ(posicao_de_codigo("15;41"), (lugar_do_cursor{14, 40}));
    EXPECT_EQ(posicao_de_codigo(""), (lugar_do_cursor{0, 0}));
}

TEST(SondagemDeVt, SoOCursorParadoDizQueOConsoleSegueOsCodigos) {
    const lugar_do_cursor antes{3, 10};
    EXPECT_TRUE(console_segue_vt(true, true, antes, {3, 10}));
    EXPECT_FALSE(console_segue_vt(true, true, antes, {3, 14})) << "the code printed as text";
    EXPECT_FALSE(console_segue_vt(false, true, antes, {3, 10})) << "the mode refused";
    EXPECT_FALSE(console_segue_vt(true, false, antes, {3, 10})) << "the cursor not read";
    // The cells such a console took, to be blanked: on one row, over a row's end, and none when
    // the cursor is not past where it was (the buffer scrolled under it).
    EXPECT_EQ(celulas_entre(antes, {3, 14}, 80), 4);
    EXPECT_EQ(celulas_entre({3, 78}, {4, 2}, 80), 4);
    EXPECT_EQ(celulas_entre({29, 78}, {29, 2}, 80), 0);
}

// Sleeps chained with only drawing between them keep one schedule; a late start, or a read or
// key wait between them, begins a new one from now.
TEST(Sonos, EncadeadosNumaAgenda) {
    constexpr long long ms = 1'000'000;
    agenda_de_sonos agenda;
    EXPECT_EQ(prazo_do_sono(agenda, 0, 1000), 1000 * ms) << "the first, from now";
    EXPECT_EQ(prazo_do_sono(agenda, 1003 * ms, 1500), 2500 * ms) << "woken 3 ms late: chained";
    EXPECT_EQ(prazo_do_sono(agenda, 2499 * ms, 100), 2600 * ms) << "begun before the deadline";
    EXPECT_EQ(prazo_do_sono(agenda, 2612 * ms, 300), 2900 * ms) << "12 ms of drawing: chained";
    EXPECT_EQ(prazo_do_sono(agenda, 2930 * ms, 300), 3230 * ms) << "30 ms late: a new schedule";
    agenda.com_prazo = false; // a read came
    EXPECT_EQ(prazo_do_sono(agenda, 3231 * ms, 500), 3731 * ms);
}
