// The palette: the one table that ties a colour number to its legend line, the console scheme it
// is flashed in and how long it is flashed.
#pragma once

struct cor_da_paleta {
    const char* legenda; // the line of the answer screen's legend
    const char* esquema; // the console scheme of its flash
    int tempo_ms;        // how long its flash lasts
};

// Colour number n (1 to 6) is entry n - 1.
inline constexpr cor_da_paleta paleta[] = {
    {"1 - Vermelho", "4F", 3000}, {"2 - Azul", "1F", 1500}, {"3 - Verde", "2F", 1500},
    {"4 - Amarelo", "6F", 1500},  {"5 - Roxo", "5F", 1500}, {"6 - Ciano", "3F", 1500},
};

inline constexpr int numero_de_cores = static_cast<int>(sizeof paleta / sizeof paleta[0]);

// The palette's entry for colour number `cor`, 1 to 6.
constexpr const cor_da_paleta& cor_da_sequencia(int cor) {
    return paleta[cor - 1];
}
