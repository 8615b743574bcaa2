// The command line of the pixel checks that scripts/terminais runs on each window it captures.
#include "pixels.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

namespace {

const char* const uso =
    "usage: quirelo_pixels grade PAINTED.ppm CLEARED.ppm     prints the grid of the cells\n"
    "       quirelo_pixels tela GRID IMG.ppm                 menu, regras, cor N or outra\n"
    "       quirelo_pixels menu GRID IMG.ppm\n"
    "       quirelo_pixels cursor GRID IMG.ppm\n"
    "       quirelo_pixels cor GRID IMG.ppm ROW COLUMN       ROW COLUMN: the cursor's cell\n"
    "       quirelo_pixels contraste GRID IMG.ppm FIRST LAST  the rows of text to measure\n"
    "       quirelo_pixels saida GRID BEFORE.ppm AFTER.ppm ROW COLUMN [--sem-tela-alternativa]\n"
    "GRID is a file holding the line that `grade` printed. The checks print \"ok: ...\" or\n"
    "\"FAIL: ...\" and exit with 0 or 1.\n";

pixels::grade grade_do_arquivo(const char* caminho) {
    std::ifstream arquivo(caminho);
    std::string linha;
    if (!std::getline(arquivo, linha))
        throw std::runtime_error(std::string("cannot read ") + caminho);
    return pixels::ler_grade(linha);
}

int relatar(const pixels::resultado& r) {
    std::printf("%s: %s\n", r.ok ? "ok" : "FAIL", r.texto.c_str());
    return r.ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string comando = argc > 1 ? argv[1] : "";
    try {
        using namespace pixels;
        if (comando == "grade" && argc == 4) {
            std::printf("%s\n",
                        escrever_grade(medir_grade(ler_ppm(argv[2]), ler_ppm(argv[3]))).c_str());
            return 0;
        }
        if (argc < 4) throw std::invalid_argument("");
        const grade g = grade_do_arquivo(argv[2]);
        if (comando == "tela" && argc == 4) {
            std::printf("%s\n", classificar(ler_ppm(argv[3]), g).c_str());
            return 0;
        }
        if (comando == "menu" && argc == 4) return relatar(verificar_menu(ler_ppm(argv[3]), g));
        if (comando == "cursor" && argc == 4) return relatar(verificar_cursor(ler_ppm(argv[3]), g));
        if (comando == "cor" && argc == 6)
            return relatar(
                verificar_cor(ler_ppm(argv[3]), g, std::stoi(argv[4]), std::stoi(argv[5])));
        if (comando == "contraste" && argc == 6)
            return relatar(
                verificar_contraste(ler_ppm(argv[3]), g, std::stoi(argv[4]), std::stoi(argv[5])));
        const bool limpa = argc == 8 && std::strcmp(argv[7], "--sem-tela-alternativa") == 0;
        if (comando == "saida" && (argc == 7 || limpa))
            return relatar(verificar_saida(ler_ppm(argv[3]), ler_ppm(argv[4]), g,
                                           std::stoi(argv[5]), std::stoi(argv[6]), limpa));
        throw std::invalid_argument("");
    } catch (const std::invalid_argument&) {
        std::fputs(uso, stderr);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quirelo_pixels %s: %s\n", comando.c_str(), e.what());
        return 2;
    }
}
