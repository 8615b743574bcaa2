// The benchmark: the real game in a pty at real speed, played to a win by the end-to-end robot
// (after the rules, the credits and an invalid option), every screen change timestamped and
// sorted into the game's timed phases, then a table of how long each phase lasted against its
// nominal wait, the whole game's drift, the game's CPU time and peak memory, the bytes and write
// calls per screen, and the time from start to the menu.
//
// The screen changes are the chunks the harness read from the pty master (timestamped on
// arrival), replayed into a fresh libvterm screen and classified one by one. The game's own
// writes and blocking calls come from registro.so, preloaded into the game (see registro.cpp).
#include "pty_vterm.h"
#include "robot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using e2e::Clock;
using std::chrono::milliseconds;

// ---------------------------------------------------------------------------------------------
// What a screen is, read off the rendered terminal.

enum class tipo {
    menu,
    invalida,
    inicio,
    contagem,
    lampejo,
    intervalo,
    resposta,
    pausa,
    vitoria,
    fogos,
    informacao,
    saida,
    outro
};

struct tela_lida {
    tipo t = tipo::outro;
    std::string rotulo; // what makes it a screen of its own ("Cor:2 red", "Iniciando em 1")
    std::string grupo;  // the row of the table it counts in, empty for an untimed screen
    double nominal_ms = 0;
};

const char* nome_da_cor[7] = {"?", "red", "blue", "green", "yellow", "purple", "cyan"};

bool comeca_com(const std::string& texto, std::string_view prefixo) {
    return texto.rfind(prefixo, 0) == 0;
}

bool tela_vazia(const e2e::Emulator& tela) {
    for (int linha = 0; linha < tela.rows(); ++linha)
        if (!tela.line(linha).empty()) return false;
    return true;
}

// `escala` divides every nominal time (10 when libfaketime runs the game's clock ten times
// faster).
tela_lida classificar(const e2e::Emulator& tela, double escala) {
    auto temporizada = [&](tipo t, std::string rotulo, std::string grupo, double ms) {
        return tela_lida{t, std::move(rotulo), std::move(grupo), ms / escala};
    };
    if (tela.contains(esperado::opcao_invalida.texto))
        return temporizada(tipo::invalida, "invalid", "invalid-option message",
                           esperado::ms::opcao_invalida);
    if (tela.contains(esperado::aviso_do_menu)) return {tipo::menu, "menu", "", 0};
    if (tela.contains(esperado::titulo(esperado::jogo_iniciado)))
        return temporizada(tipo::inicio, "start", "start banner", esperado::ms::jogo_iniciado);
    const std::string topo = tela.line(0);
    if (esperado::numero_em(topo, esperado::rodada) > 0 ||
        std::find(std::begin(esperado::contagem), std::end(esperado::contagem), topo) !=
            std::end(esperado::contagem))
        return temporizada(tipo::contagem, topo, "count-down step",
                           esperado::ms::passo_da_contagem);
    if (esperado::numero_em(topo, esperado::piscada) > 0) {
        const int cor = e2e::colour_number(tela.cell(0, 0).bg);
        return temporizada(tipo::lampejo, topo + " " + nome_da_cor[cor],
                           std::string("flash ") + nome_da_cor[cor],
                           cor > 0 ? esperado::cores[cor - 1].ms : 0);
    }
    if (tela_vazia(tela)) { // in a colour: the gap (wine's console has no alternate screen)
        if (e2e::colour_number(tela.cell(0, 0).bg) > 0)
            return temporizada(tipo::intervalo, "gap", "gap after the flashes",
                               esperado::ms::depois_das_cores);
        if (!tela.alternate_screen()) return {tipo::saida, "exit: main screen back", "", 0};
        return {tipo::outro, "empty alternate screen", "", 0};
    }
    if (tela.contains(esperado::titulo(esperado::vitoria)))
        return temporizada(tipo::vitoria, "victory", "victory screen", esperado::ms::vitoria);
    for (int q = 1; q <= 3; ++q) // each frame told by a line of its own
        if (tela.contains(esperado::fogos[q - 1].linhas[3]))
            return temporizada(tipo::fogos, "fireworks " + std::to_string(q),
                               "fireworks frame " + std::to_string(q), esperado::fogos[q - 1].ms);
    if (tela.contains(esperado::acertou)) {
        // Once the go-on answer is echoed after its prompt, the game sleeps before the next round.
        const std::string& pergunta = esperado::pergunta_seguir;
        const auto [linha, coluna] = tela.find(pergunta);
        if (linha >= 0 && tela.line(linha).size() > coluna + pergunta.size())
            return temporizada(tipo::pausa, "pause", "pause after ACERTOU!",
                               esperado::ms::antes_da_rodada);
        return {tipo::resposta, "answers", "", 0};
    }
    if (tela.contains(esperado::quais_cores)) return {tipo::resposta, "answers", "", 0};
    if (tela.contains(esperado::titulo(esperado::regras)))
        return {tipo::informacao, "rules", "", 0};
    if (tela.contains(esperado::titulo(esperado::creditos)))
        return {tipo::informacao, "credits", "", 0};
    return {tipo::outro, "other: " + topo, "", 0};
}

// ---------------------------------------------------------------------------------------------
// The screens as they followed each other.

struct fase {
    tela_lida tela;
    Clock::time_point inicio;
    double duracao_ms = -1; // until the next phase began on the screen; -1 for the last one
    // The same from the game's side: from the write that drew it to the write that drew the
    // next one (the bench's own delay in reading the pty left out); -1 when unknown.
    double duracao_jogo_ms = -1;
    // From the game's first write of it to its arrival at the pty master; -1 when unknown.
    double atraso_ms = -1;
};

// ---------------------------------------------------------------------------------------------
// The log of registro.so.

struct evento {
    char tipo;
    Clock::time_point quando;
    long long valor;
};

struct registro {
    bool lido = false;
    bool transbordou = false;
    long long usuario_us = 0, sistema_us = 0, pico_kib = 0;
    Clock::time_point inicio;
    std::vector<evento> eventos;
};

Clock::time_point de_ns(long long ns) {
    return Clock::time_point(std::chrono::nanoseconds(ns));
}

registro ler_registro(const std::string& caminho) {
    registro r;
    std::ifstream arquivo(caminho);
    std::string palavra;
    while (arquivo >> palavra) {
        if (palavra == "rusage") {
            arquivo >> r.usuario_us >> r.sistema_us >> r.pico_kib;
            r.lido = true;
        } else if (palavra == "inicio") {
            long long ns = 0;
            arquivo >> ns;
            r.inicio = de_ns(ns);
        } else if (palavra == "transbordou") {
            r.transbordou = true;
        } else {
            long long ns = 0, valor = 0;
            arquivo >> ns >> valor;
            r.eventos.push_back({palavra[0], de_ns(ns), valor});
        }
    }
    return r;
}

// The writes that draw one screen: those with no wait or read between them.
struct grupo_de_escritas {
    Clock::time_point inicio;
    int escritas = 0;
    long long bytes = 0;
    std::size_t fase = SIZE_MAX; // the phase its bytes appeared in; SIZE_MAX after the last chunk
};

std::vector<grupo_de_escritas> grupos(const registro& r) {
    std::vector<grupo_de_escritas> saida;
    bool aberto = false;
    for (const evento& e : r.eventos) {
        if (e.tipo != 'W') {
            aberto = false;
            continue;
        }
        if (!aberto) saida.push_back({e.quando});
        aberto = true;
        ++saida.back().escritas;
        saida.back().bytes += std::max(0LL, e.valor);
    }
    return saida;
}

// A group's bytes arrive in the first chunk read after its first write began.
void situar(std::vector<grupo_de_escritas>& escritas, const std::vector<e2e::Chunk>& pedacos,
            const std::vector<std::size_t>& fase_do_pedaco) {
    std::size_t p = 0;
    for (grupo_de_escritas& g : escritas) {
        while (p < pedacos.size() && pedacos[p].when < g.inicio)
            ++p;
        if (p < pedacos.size()) g.fase = fase_do_pedaco[p];
    }
}

// Replays the chunks into a fresh terminal; a phase is a run of chunks that leave the same kind
// of screen. The chunks of one group of writes (the pty may hand one write over in pieces) are
// fed together before the screen is read, so a screen is classified only once it is whole; its
// phase begins with its first chunk. `fase_do_pedaco` gets the phase of every chunk.
std::vector<fase> fases_da_saida(const std::vector<e2e::Chunk>& pedacos,
                                 const std::vector<grupo_de_escritas>& escritas, int linhas,
                                 int colunas, double escala,
                                 std::vector<std::size_t>& fase_do_pedaco) {
    // The group of writes each chunk came from: the last one begun before it arrived.
    std::vector<std::size_t> grupo_do_pedaco(pedacos.size(), SIZE_MAX);
    std::size_t g = 0;
    for (std::size_t p = 0; p < pedacos.size(); ++p) {
        while (g < escritas.size() && escritas[g].inicio <= pedacos[p].when)
            ++g;
        if (g > 0) grupo_do_pedaco[p] = g - 1;
    }
    e2e::Emulator tela(linhas, colunas);
    std::vector<fase> fases;
    for (std::size_t p = 0; p < pedacos.size();) {
        const std::size_t primeiro = p;
        do {
            tela.feed(pedacos[p].bytes);
            ++p;
        } while (p < pedacos.size() && grupo_do_pedaco[p] != SIZE_MAX &&
                 grupo_do_pedaco[p] == grupo_do_pedaco[primeiro]);
        tela_lida lida = classificar(tela, escala);
        if (fases.empty() || fases.back().tela.rotulo != lida.rotulo)
            fases.push_back({std::move(lida), pedacos[primeiro].when});
        fase_do_pedaco.resize(p, fases.size() - 1);
    }
    for (std::size_t i = 0; i + 1 < fases.size(); ++i)
        fases[i].duracao_ms =
            std::chrono::duration<double, std::milli>(fases[i + 1].inicio - fases[i].inicio)
                .count();
    return fases;
}

// Under wine every console call of the game shows on the pty by itself, so a screen comes in
// pieces: the clear, then the colours, then the text. An empty screen that stays less than this
// before the next one is the next one's drawing, and its time is the next one's: each timed
// phase then lasts from the first change its wait's end made to the first change the next one
// made.
constexpr double desenho_ms = 20;

void juntar_desenhos(std::vector<fase>& fases) {
    for (std::size_t i = 0; i + 1 < fases.size();) {
        const tipo t = fases[i].tela.t;
        const bool vazia =
            t == tipo::intervalo || t == tipo::saida || fases[i].tela.rotulo == "other: ";
        if (!vazia || fases[i].duracao_ms >= desenho_ms) {
            ++i;
            continue;
        }
        fases[i + 1].inicio = fases[i].inicio;
        fases.erase(fases.begin() + static_cast<std::ptrdiff_t>(i));
        if (i + 1 < fases.size())
            fases[i].duracao_ms =
                std::chrono::duration<double, std::milli>(fases[i + 1].inicio - fases[i].inicio)
                    .count();
    }
}

// Each phase's length from the game's writes: from the first write that drew it to the first
// write that drew the next phase.
void duracoes_do_jogo(std::vector<fase>& fases, const std::vector<grupo_de_escritas>& escritas) {
    std::vector<Clock::time_point> escrita(fases.size());
    std::vector<bool> tem(fases.size(), false);
    for (const grupo_de_escritas& g : escritas)
        if (g.fase < fases.size() && !tem[g.fase]) {
            escrita[g.fase] = g.inicio;
            tem[g.fase] = true;
        }
    for (std::size_t i = 0; i < fases.size(); ++i)
        if (tem[i])
            fases[i].atraso_ms =
                std::chrono::duration<double, std::milli>(fases[i].inicio - escrita[i]).count();
    for (std::size_t i = 0; i + 1 < fases.size(); ++i)
        if (tem[i] && tem[i + 1])
            fases[i].duracao_jogo_ms =
                std::chrono::duration<double, std::milli>(escrita[i + 1] - escrita[i]).count();
}

// ---------------------------------------------------------------------------------------------
// Figures.

double mediana(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::string ler_arquivo(const char* caminho) {
    std::ifstream arquivo(caminho);
    std::stringstream s;
    s << arquivo.rdbuf();
    return s.str();
}

std::string modelo_da_cpu() {
    std::istringstream cpuinfo(ler_arquivo("/proc/cpuinfo"));
    for (std::string linha; std::getline(cpuinfo, linha);)
        if (comeca_com(linha, "model name")) return linha.substr(linha.find(':') + 2);
    return "unknown CPU";
}

std::string carga() {
    std::string l = ler_arquivo("/proc/loadavg");
    std::istringstream s(l);
    std::string a, b, c;
    s >> a >> b >> c;
    return a + " " + b + " " + c;
}

// The peak resident memory of a live process, from /proc (KiB), or -1.
long long vmhwm_kib(pid_t pid) {
    std::istringstream status(ler_arquivo(("/proc/" + std::to_string(pid) + "/status").c_str()));
    for (std::string linha; std::getline(status, linha);)
        if (comeca_com(linha, "VmHWM:")) return std::atoll(linha.c_str() + 6);
    return -1;
}

double ms_entre(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// ---------------------------------------------------------------------------------------------
// Driving the game.

// The pty's width for the game under wine.
constexpr int colunas_wine = 120;

struct opcoes {
    int jogos = 1;
    int inicios = 10;
    bool relogio_rapido = false;
    bool listar = false;
    bool wine = false; // the Windows build's quirelo.exe under wine, on a 9001-row buffer
    std::string registro_so;
};

e2e::Options opcoes_do_jogo(const opcoes& o, const std::string& arquivo_registro) {
    // A console window's buffer, 9001 rows of 120 columns, under wine's console, which turns the
    // game's console calls into escape sequences of its own; the game's calls are not logged.
    if (o.wine)
        return {.program = QUIRELO_WINE,
                .args = {QUIRELO_CONSOLE_9001, QUIRELO_JOGO_WINDOWS},
                .cols = colunas_wine,
                .fast_clock = false,
                .env = {"WINEPREFIX=" QUIRELO_WINEPREFIX, "WINEDEBUG=-all",
                        "WINEDLLOVERRIDES=mscoree,mshtml="}};
    // The preloads are set here, the log's first so that it sees every call.
    e2e::Options jogo{.rows = 30, .cols = 80, .fast_clock = false};
    std::string preload = "LD_PRELOAD=" + o.registro_so;
    if (o.relogio_rapido) {
        preload += ':';
        preload += e2e::faketime_library();
        jogo.env.push_back("FAKETIME=+0 x10");
        jogo.env.push_back("FAKETIME_NO_CACHE=1");
    }
    jogo.env.push_back(preload);
    jogo.env.push_back("QUIRELO_REGISTRO=" + arquivo_registro);
    return jogo;
}

// The menu's last row is drawn, and no message below it.
bool menu_desenhado(e2e::Game& jogo) {
    // Two rows, not the whole screen: the harness checks before every escape sequence, and under
    // wine a slow check holds the reading of the pty back, and with it the game.
    const e2e::Emulator& tela = jogo.screen();
    return tela.line(esperado::avisos_do_menu[1].linha) == esperado::aviso_do_menu &&
           tela.line(esperado::opcao_invalida.linha).find(esperado::opcao_invalida.texto) ==
               std::string::npos;
}

[[noreturn]] void falhar(const std::string& o_que, e2e::Game& jogo) {
    std::fprintf(stderr, "quirelo_bench: %s\n%s\n", o_que.c_str(), jogo.screen().dump().c_str());
    std::exit(1);
}

// Plays one whole game to the victory with the robot, from the menu back to the menu.
// The colours of a round read off row 0 alone as each flash shows: under wine, at 120 columns,
// the robot's reads of every cell before each escape sequence hold back the reading of the pty,
// and with it wine's console and the game's console calls.
std::vector<int> cores_da_linha_0(e2e::Game& jogo, int quantas, milliseconds limite) {
    std::vector<int> cores;
    for (int k = 1; k <= quantas; ++k) {
        const std::string rotulo = esperado::com_numero(esperado::piscada, k);
        if (!jogo.wait_until([&] { return jogo.screen().line(0) == rotulo; }, limite))
            falhar("no \"" + rotulo + "\"", jogo);
        cores.push_back(e2e::colour_number(jogo.screen().cell(0, 0).bg));
    }
    return cores;
}

void ganhar_um_jogo(e2e::Game& jogo, milliseconds limite, bool wine) {
    jogo.type("1\r");
    for (int r = 1; r <= 5; ++r) {
        const std::string anuncio = esperado::com_numero(esperado::rodada, r);
        if (!jogo.wait_until([&] { return jogo.screen().line(0) == anuncio; }, limite))
            falhar("no \"" + anuncio + "\"", jogo);
        std::vector<int> cores;
        if (wine) {
            cores = cores_da_linha_0(jogo, r + 1, limite);
        } else {
            const auto visto = e2e::watch_round(jogo, {}, limite);
            if (!visto) falhar("round " + std::to_string(r) + " never asked its questions", jogo);
            if (!visto->faults.empty())
                std::fprintf(stderr, "quirelo_bench: round %d: %s\n", r,
                             e2e::join(visto->faults).c_str());
            cores = visto->colours;
        }
        if (!e2e::answer(jogo, cores, limite))
            falhar("round " + std::to_string(r) + " did not take its answers", jogo);
        if (!jogo.wait_for_text(esperado::acertou, limite))
            falhar("round " + std::to_string(r) + " was not won", jogo);
        jogo.type("s\r");
    }
    const std::string& vitoria = esperado::titulo(esperado::vitoria); // its row 1
    if (!jogo.wait_until([&] { return jogo.screen().line(1) == vitoria; }, limite))
        falhar("no victory screen", jogo);
    if (!jogo.wait_until([&] { return menu_desenhado(jogo); }, limite))
        falhar("no menu after the fireworks", jogo);
}

std::string arquivo_temporario(const char* nome) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/" + nome + "." + std::to_string(getpid());
}

// Starts the game `n` times and ends it at the menu: how long from the spawn (fork and exec
// included) and from the game's first instruction (registro.so's constructor) to the menu.
struct tempos_de_inicio {
    std::vector<double> do_lancamento; // spawn (fork + exec) to the menu on the screen
    std::vector<double> do_construtor; // the game's first instruction to the menu on the screen
    std::vector<double> ate_escrever;  // the game's first instruction to its menu write begun
    std::vector<double> ate_o_jogo;    // spawn to the game's first instruction
    std::vector<double> cpu;           // CPU of the whole run: start, menu, exit
};

tempos_de_inicio medir_inicios(const opcoes& o) {
    tempos_de_inicio tempos;
    const std::string arquivo = arquivo_temporario("quirelo_bench_inicio");
    for (int i = 0; i < o.inicios; ++i) {
        const auto antes = Clock::now();
        e2e::Game jogo(opcoes_do_jogo(o, arquivo));
        const auto menu = jogo.wait_until([&] { return menu_desenhado(jogo); }, milliseconds(5000));
        if (!menu) falhar("the menu did not come", jogo);
        jogo.type("\x04");
        jogo.wait_exit(milliseconds(5000));
        const registro r = ler_registro(arquivo);
        tempos.do_lancamento.push_back(ms_entre(antes, *menu));
        if (!r.lido) continue;
        tempos.do_construtor.push_back(ms_entre(r.inicio, *menu));
        tempos.ate_o_jogo.push_back(ms_entre(antes, r.inicio));
        tempos.cpu.push_back((r.usuario_us + r.sistema_us) / 1000.0);
        // The menu is the last write before the game's first read.
        Clock::time_point escrita = r.inicio;
        for (const evento& e : r.eventos) {
            if (e.tipo == 'R') break;
            if (e.tipo == 'W') escrita = e.quando;
        }
        tempos.ate_escrever.push_back(ms_entre(r.inicio, escrita));
    }
    std::remove(arquivo.c_str());
    return tempos;
}

// ---------------------------------------------------------------------------------------------
// The table.

struct linha_da_tabela {
    std::string grupo;
    double nominal = 0;
    std::vector<double> medidas;      // on the screen
    std::vector<double> medidas_jogo; // from the game's writes
};

// The sample farthest from the nominal time.
double mais_longe(const std::vector<double>& medidas, double nominal) {
    double pior = medidas.empty() ? nominal : medidas.front();
    for (double m : medidas)
        if (std::abs(m - nominal) > std::abs(pior - nominal)) pior = m;
    return pior;
}

// Where a group goes in the table: count-down, flashes by colour, then the rest in game order.
int ordem(const std::string& grupo) {
    static const char* ordem_fixa[] = {
        "start banner",         "count-down step",   "flash red",
        "flash blue",           "flash green",       "flash yellow",
        "flash purple",         "flash cyan",        "gap after the flashes",
        "pause after ACERTOU!", "victory screen",    "fireworks frame 1",
        "fireworks frame 2",    "fireworks frame 3", "invalid-option message"};
    for (std::size_t i = 0; i < std::size(ordem_fixa); ++i)
        if (grupo == ordem_fixa[i]) return static_cast<int>(i);
    return 100;
}

const char* veredito(bool ok) {
    return ok ? "ok" : "MISSED";
}

void imprimir(const opcoes& o, const std::vector<fase>& fases,
              const std::vector<grupo_de_escritas>& escritas, const registro& reg, long long vmhwm,
              const tempos_de_inicio& inicio, const std::string& carga_antes) {
    utsname u{};
    uname(&u);
    std::printf("QUIRELO ZAV TUNIX benchmark: %d winning game%s at %s in a%s pty "
                "rendered by libvterm\n",
                o.jogos, o.jogos == 1 ? "" : "s",
                o.relogio_rapido ? "libfaketime's x10 speed (nominal times / 10)" : "real speed",
                o.wine ? " 120x30" : "n 80x30");
    if (o.wine)
        std::printf("the Windows build's quirelo.exe under wine, on a 120x9001 console buffer: "
                    "this measures the schedule of the waits and the fills, not Windows' timer "
                    "tick nor a real console's fills\n");
    std::printf("machine: %ld CPUs, %s, %s %s; load average %s before, %s after\n\n",
                sysconf(_SC_NPROCESSORS_ONLN), modelo_da_cpu().c_str(), u.sysname, u.release,
                carga_antes.c_str(), carga().c_str());

    // Timed phases.
    std::map<std::string, linha_da_tabela> linhas;
    for (const fase& f : fases)
        if (!f.tela.grupo.empty() && f.duracao_ms >= 0) {
            auto& l = linhas[f.tela.grupo];
            l.grupo = f.tela.grupo;
            l.nominal = f.tela.nominal_ms;
            l.medidas.push_back(f.duracao_ms);
            if (f.duracao_jogo_ms >= 0) l.medidas_jogo.push_back(f.duracao_jogo_ms);
        }
    std::vector<linha_da_tabela> tabela;
    for (auto& [nome, l] : linhas)
        tabela.push_back(l);
    std::sort(tabela.begin(), tabela.end(),
              [](const auto& a, const auto& b) { return ordem(a.grupo) < ordem(b.grupo); });
    std::printf("%-24s %4s %8s | %8s %8s %7s %7s | %7s %7s | %s\n", "", "", "", "on the", "screen",
                "", "", "game's", "writes", "target +-2 median");
    std::printf("%-24s %4s %8s | %8s %8s %7s %7s | %7s %7s | %s\n", "timed phase (ms)", "n",
                "nominal", "median", "worst", "med-nom", "wst-nom", "med-nom", "wst-nom",
                "+-5 worst");
    for (const auto& l : tabela) {
        const double med = mediana(l.medidas);
        const double pior = mais_longe(l.medidas, l.nominal);
        char jogo[32] = "      -       -"; // no log of the game's writes
        if (!l.medidas_jogo.empty())
            std::snprintf(jogo, sizeof jogo, "%+7.2f %+7.2f", mediana(l.medidas_jogo) - l.nominal,
                          mais_longe(l.medidas_jogo, l.nominal) - l.nominal);
        const bool ok = std::abs(med - l.nominal) <= 2 && std::abs(pior - l.nominal) <= 5;
        std::printf("%-24s %4zu %8.0f | %8.2f %8.2f %+7.2f %+7.2f | %s | %s\n", l.grupo.c_str(),
                    l.medidas.size(), l.nominal, med, pior, med - l.nominal, pior - l.nominal, jogo,
                    veredito(ok));
    }

    // The games: from each start banner to the menu after the fireworks. Their timed phases
    // come in unbroken stretches between the player's answers; the drift is what the stretches
    // took beyond the sum of their nominal waits.
    double jogo_medido = 0, jogo_jogador = 0;
    double medido = 0, medido_jogo = 0, nominal = 0, pior_trecho = 0;
    int esperas = 0, trechos = 0;
    for (std::size_t i = 0; i < fases.size(); ++i) {
        if (fases[i].tela.t != tipo::inicio) continue;
        std::size_t fim = i;
        while (fim < fases.size() && fases[fim].tela.t != tipo::menu)
            ++fim;
        if (fim == fases.size()) break;
        jogo_medido += ms_entre(fases[i].inicio, fases[fim].inicio);
        for (std::size_t k = i; k < fim;) {
            if (fases[k].tela.grupo.empty()) {
                jogo_jogador += fases[k].duracao_ms;
                ++k;
                continue;
            }
            double m = 0, n = 0;
            for (; k < fim && !fases[k].tela.grupo.empty(); ++k) {
                m += fases[k].duracao_ms;
                medido_jogo +=
                    fases[k].duracao_jogo_ms >= 0 ? fases[k].duracao_jogo_ms : fases[k].duracao_ms;
                n += fases[k].tela.nominal_ms;
                ++esperas;
            }
            medido += m;
            nominal += n;
            if (std::abs(m - n) > std::abs(pior_trecho)) pior_trecho = m - n;
            ++trechos;
        }
        i = fim;
    }
    const int jogos = std::max(1, o.jogos);
    std::printf("\nwhole game%s: %.2f ms from the start banner to the menu, of which %.2f ms "
                "waiting for the player's answers\n",
                o.jogos == 1 ? "" : "s (all)", jogo_medido, jogo_jogador);
    std::printf("drift: %d timed waits in %d unbroken stretches, %.2f ms on the screen against "
                "%.2f ms nominal: %+.2f ms (%+.2f per game, %+.2f in the worst stretch; from the "
                "game's writes %+.2f); target < 10 ms per game: %s\n",
                esperas, trechos, medido, nominal, medido - nominal, (medido - nominal) / jogos,
                pior_trecho, medido_jogo - nominal,
                veredito(std::abs(medido - nominal) / jogos < 10.0));

    // CPU and memory.
    if (reg.lido) {
        const double cpu = (reg.usuario_us + reg.sistema_us) / 1000.0;
        std::printf("\nCPU of the game process over the whole run (start, rules, credits, invalid "
                    "option, %d game%s, exit): %.2f ms user + %.2f ms system = %.2f ms "
                    "(target < 20 ms per game): %s\n",
                    o.jogos, o.jogos == 1 ? "" : "s", reg.usuario_us / 1000.0,
                    reg.sistema_us / 1000.0, cpu, veredito(cpu < 20.0 * std::max(1, o.jogos)));
        if (!inicio.cpu.empty())
            std::printf("  of which a start alone (start, menu, exit; median of %zu): %.2f ms\n",
                        inicio.cpu.size(), mediana(inicio.cpu));
        std::printf("peak RSS of the game process: %lld KiB (getrusage at exit); VmHWM before "
                    "the exit %lld KiB (target < 4096 KiB): %s\n",
                    reg.pico_kib, vmhwm, veredito(reg.pico_kib < 4096));
    } else {
        std::printf("\n%s: no CPU, memory or write figures\n",
                    o.wine ? "under wine the game's own calls are not logged"
                           : "the game wrote no log");
    }
    if (reg.transbordou) std::printf("(the write log overflowed: figures are partial)\n");

    // Bytes and write calls.
    std::vector<double> por_lampejo, por_tela;
    long long no_jogo = 0, no_total = 0;
    int max_escritas = 0, telas_varias = 0;
    std::map<std::string, int> onde_varias;
    bool no_jogo_agora = false;
    for (const grupo_de_escritas& g : escritas) {
        no_total += g.bytes;
        por_tela.push_back(static_cast<double>(g.bytes));
        max_escritas = std::max(max_escritas, g.escritas);
        const std::string rotulo = g.fase < fases.size() ? fases[g.fase].tela.rotulo : "exit";
        const tipo t = g.fase < fases.size() ? fases[g.fase].tela.t : tipo::outro;
        if (t == tipo::inicio) no_jogo_agora = true;
        if (t == tipo::menu) no_jogo_agora = false;
        if (no_jogo_agora) no_jogo += g.bytes;
        if (t == tipo::lampejo) por_lampejo.push_back(static_cast<double>(g.bytes));
        if (g.escritas > 1) {
            ++telas_varias;
            onde_varias[rotulo + " (" + std::to_string(g.escritas) + " writes)"]++;
        }
    }
    if (!escritas.empty()) {
        std::printf("\noutput: %zu screens (groups of writes with no wait or read between "
                    "them), %lld bytes in all, %lld bytes per game\n",
                    escritas.size(), no_total, no_jogo / std::max(1, o.jogos));
        std::printf("bytes per flash: median %.0f, max %.0f; bytes per screen: median %.0f, max "
                    "%.0f\n",
                    mediana(por_lampejo),
                    por_lampejo.empty() ? 0.0
                                        : *std::max_element(por_lampejo.begin(), por_lampejo.end()),
                    mediana(por_tela), *std::max_element(por_tela.begin(), por_tela.end()));
        std::printf("write calls per screen: max %d; screens drawn with more than one: %d%s\n",
                    max_escritas, telas_varias, telas_varias ? ":" : "");
        for (const auto& [onde, vezes] : onde_varias)
            std::printf("    %dx %s\n", vezes, onde.c_str());
    }

    // Start.
    auto pior = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    if (!inicio.do_lancamento.empty()) {
        const double do_jogo = mediana(inicio.do_construtor);
        const char* v = mediana(inicio.do_lancamento) < 5 ? "ok"
                        : do_jogo >= 5                    ? "MISSED"
                                       : "ok from the game's first instruction (exec lies between)";
        std::printf("\nstart to the menu fully drawn, %zu starts          median    worst (ms)\n",
                    inicio.do_lancamento.size());
        std::printf("  spawn (2 forks in the harness, exec) to the menu   %8.2f %8.2f\n",
                    mediana(inicio.do_lancamento), pior(inicio.do_lancamento));
        std::printf("  spawn to the game's first instruction (ld.so done) %8.2f %8.2f\n",
                    mediana(inicio.ate_o_jogo), pior(inicio.ate_o_jogo));
        std::printf("  game's first instruction to its menu write         %8.2f %8.2f\n",
                    mediana(inicio.ate_escrever), pior(inicio.ate_escrever));
        std::printf("  game's first instruction to the menu on screen     %8.2f %8.2f"
                    "  target < 5 ms: %s\n",
                    do_jogo, pior(inicio.do_construtor), v);
    }

    // Screens the classifier did not know: a screen drawn in pieces would show here.
    int outras = 0;
    for (const fase& f : fases)
        if (f.tela.t == tipo::outro) {
            if (outras++ == 0) std::printf("\nunclassified screens:\n");
            std::printf("    \"%s\" for %.2f ms\n", f.tela.rotulo.c_str(), f.duracao_ms);
        }
}

// Every screen of the run, in order: when it came, how long it stayed, how it was written.
void listar_fases(const std::vector<fase>& fases, const std::vector<grupo_de_escritas>& escritas,
                  Clock::time_point origem) {
    std::vector<std::string> como(fases.size());
    for (const grupo_de_escritas& g : escritas)
        if (g.fase < fases.size())
            como[g.fase] += " " + std::to_string(g.escritas) + "w/" + std::to_string(g.bytes) + "B";
    std::printf("%10s %10s %9s %9s  %-24s %s\n", "at (ms)", "lasted", "nominal", "pty lag",
                "screen", "writes/bytes");
    for (std::size_t i = 0; i < fases.size(); ++i)
        std::printf("%10.2f %10.2f %9.2f %9.3f  %-24s%s\n", ms_entre(origem, fases[i].inicio),
                    fases[i].duracao_ms, fases[i].tela.nominal_ms, fases[i].atraso_ms,
                    fases[i].tela.rotulo.c_str(), como[i].c_str());
    std::printf("\n");
}

void uso() {
    std::fprintf(
        stderr,
        "usage: quirelo_bench [--games N] [--starts N] [--fast-clock | --wine]\n"
        "  --games N     winning games to play in one run (default 1; 0 for the start alone)\n"
        "  --starts N    starts to the menu to time (default 10)\n"
        "  --fast-clock  preload libfaketime x10 into the game, as the end-to-end tests\n"
        "                do, and compare with the nominal times divided by 10\n"
        "  --phases      also list every screen of the run with its duration\n"
        "  --wine        the Windows build's quirelo.exe under wine instead, on a console\n"
        "                buffer of 120x9001 (when built with QUIRELO_JOGO_WINDOWS)\n");
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    opcoes o;
    o.registro_so = QUIRELO_REGISTRO_SO;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--games" && i + 1 < argc) {
            o.jogos = std::max(0, std::atoi(argv[++i]));
        } else if (a == "--starts" && i + 1 < argc) {
            o.inicios = std::max(0, std::atoi(argv[++i]));
        } else if (a == "--phases") {
            o.listar = true;
        } else if (a == "--fast-clock") {
            o.relogio_rapido = true;
        } else if (a == "--wine" && *QUIRELO_JOGO_WINDOWS) {
            o.wine = true;
        } else {
            uso();
        }
    }
    if (o.wine) o.inicios = 0; // the start is timed on the native game only
    if (o.wine && o.relogio_rapido) uso();
    const double escala = o.relogio_rapido ? 10 : 1;
    const milliseconds limite(o.relogio_rapido ? 15000 : 60000);
    const std::string carga_antes = carga();

    const tempos_de_inicio inicio = medir_inicios(o);

    const std::string arquivo = arquivo_temporario("quirelo_bench");
    e2e::Game jogo(opcoes_do_jogo(o, arquivo));
    if (!jogo.wait_until([&] { return menu_desenhado(jogo); }, limite)) falhar("no menu", jogo);
    // Wine's console takes the keys from the pty (its line editing off) a moment after the menu.
    for (int i = 0; o.wine && i < 250 && (jogo.modes().c_lflag & ICANON); ++i)
        jogo.wait_until([] { return false; }, milliseconds{20});
    // The rules and the credits, each left with a key: screens that end in a key wait.
    for (const char* opcao : {"2\r", "3\r"}) {
        jogo.type(opcao);
        if (!jogo.wait_for_text(esperado::tecla, limite))
            falhar(std::string("no key prompt after option ") + opcao[0], jogo);
        jogo.type(" ");
        if (!jogo.wait_until([&] { return menu_desenhado(jogo); }, limite))
            falhar(std::string("no menu after option ") + opcao[0], jogo);
    }
    jogo.type("7\r");
    if (!jogo.wait_for_text(esperado::opcao_invalida.texto, limite))
        falhar("no invalid-option message", jogo);
    if (!jogo.wait_until([&] { return menu_desenhado(jogo); }, limite))
        falhar("no menu after the invalid option", jogo);
    for (int j = 0; j < o.jogos; ++j)
        ganhar_um_jogo(jogo, limite, o.wine);
    const long long vmhwm = vmhwm_kib(jogo.pid());
    // Under wine, Ctrl-C: the pty turns Ctrl-Z, the console's end of input, into SIGTSTP.
    jogo.type(o.wine ? "\x03" : "\x04");
    if (!jogo.wait_exit(limite)) falhar("the game did not end at Ctrl-D or Ctrl-C", jogo);
    const int status_esperado = o.wine ? 0x3A : 0; // STATUS_CONTROL_C_EXIT's low byte
    if (!WIFEXITED(jogo.wait_status()) || WEXITSTATUS(jogo.wait_status()) != status_esperado)
        std::fprintf(stderr, "quirelo_bench: the game ended with %s\n",
                     e2e::describe_status(jogo.wait_status()).c_str());

    const registro reg = ler_registro(arquivo);
    std::remove(arquivo.c_str());
    std::vector<grupo_de_escritas> escritas = grupos(reg);
    std::vector<std::size_t> fase_do_pedaco;
    const std::vector<e2e::Chunk> pedacos = jogo.chunks();
    std::vector<fase> fases =
        fases_da_saida(pedacos, escritas, 30, o.wine ? colunas_wine : 80, escala, fase_do_pedaco);
    situar(escritas, pedacos, fase_do_pedaco);
    duracoes_do_jogo(fases, escritas);
    if (o.wine) juntar_desenhos(fases); // no log of the game's writes to place
    if (o.listar) listar_fases(fases, escritas, pedacos.front().when);
    imprimir(o, fases, escritas, reg, vmhwm, inicio, carga_antes);
}
