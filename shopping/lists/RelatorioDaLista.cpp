#include "lists/RelatorioDaLista.h"

#include "forms/Eventos.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/RelatorioDeCompras.h"
#include "lists/frmRelatorio.h"

namespace mercanota {

bool MontaRelatorio(HWND lista, const std::string& nomeDaLista, const QuantidadeDoItem& quantidade,
                    std::string* texto) {
  ComAmpulheta ampulheta;
  std::vector<std::string> nomes;
  for (int cursor = lista::ProximaMarcada(lista, 0); cursor >= 0; cursor = lista::ProximaMarcada(lista, cursor + 1)) {
    nomes.push_back(lista::Item(lista, cursor));
  }
  std::vector<ItemDaLista> itens;
  if (!ModuloGlobal::Loja().ReportItems(nomes, quantidade, &itens)) {
    DefinePonteiro(Ponteiro::kPadrao);
    ModuloGlobal::MostraErroDoBancoDeDados();
    return false;
  }
  RelatorioDeCompras relatorio(nomeDaLista, Today());
  for (const ItemDaLista& item : itens) relatorio.Adiciona(item);
  // The walk ends on the last entry, the sentinel.
  lista::DefineListIndex(lista, lista::ListCount(lista) - 1);
  *texto = relatorio.Conclui();
  return true;
}

bool GeraRelatorio(HWND lista, const std::string& nomeDaLista, const QuantidadeDoItem& quantidade) {
  std::string texto;
  if (!MontaRelatorio(lista, nomeDaLista, quantidade, &texto)) return false;
  ComAmpulheta ampulheta;
  return frmRelatorio::Novo(texto) != nullptr;
}

}  // namespace mercanota
