// A colour flash: the whole screen in one colour of the palette, "Cor:k" in its corner.
#include "console/console.h"
#include "screens/paleta.h"
#include "screens/telas.h"

void piscar_cor(int posicao, int cor) {
    const cor_da_paleta& da_paleta = cor_da_sequencia(cor);
    definir_esquema(da_paleta.esquema);
    escrever_formato("Cor:%d", posicao);
    esperar(da_paleta.tempo_ms);
    limpar_tela();
}
