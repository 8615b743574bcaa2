// The answer screen: the legend of the colours in the normal scheme, the instructions, one
// question per colour, and the go-on prompt after a round won.
#include "console/console.h"
#include "screens/duracoes.h"
#include "screens/paleta.h"
#include "screens/telas.h"

void tabela_cores() {
    limpar_tela();
    for (const cor_da_paleta& cor : paleta)
        escrever_linha(cor.legenda);
    definir_esquema("07");
}

void tela_de_respostas() {
    esperar(duracao::depois_das_cores);
    limpar_tela();
    tabela_cores();
    escrever_linha("\nATENCAO: serao aceitos apenas os numeros que estao na tabela.");
    escrever_linha("Letras ou numeros diferentes serao considerados errados.\n");
    escrever_linha("\nQuais cores apareceram?");
}

int perguntar_cor(int posicao) {
    escrever_formato("Digite a cor %d:", posicao);
    return ler_numero();
}

char perguntar_se_continua() {
    escrever_linha("\nACERTOU!");
    escrever("Pressione qualquer tecla para continuar ou N para sair:");
    return ler_caractere();
}
