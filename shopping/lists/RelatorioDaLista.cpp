#include "lists/RelatorioDaLista.h"

#include "forms/Eventos.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "catalogue/RelatorioDeCompras.h"
#include "catalogue/Statements.h"
#include "lists/frmRelatorio.h"

namespace mercanota {

bool MontaRelatorio(HWND lista, const std::string& nomeDaLista, const QuantidadeDoItem& quantidade,
                    std::string* texto) {
  ComAmpulheta ampulheta;
  RelatorioDeCompras relatorio(nomeDaLista, Today());
  for (int cursor = lista::ProximaMarcada(lista, 0); cursor >= 0; cursor = lista::ProximaMarcada(lista, cursor + 1)) {
    Recordset linhas;
    if (!ModuloGlobal::CatalogueDatabase.CreateSnapshot(sql::SelectEntriesByPrice(lista::Item(lista, cursor)),
                                                        &linhas)) {
      DefinePonteiro(Ponteiro::kPadrao);
      ModuloGlobal::MostraErroDoBancoDeDados();
      return false;
    }
    for (; !linhas.Eof(); linhas.MoveNext()) {
      const long long q = quantidade(linhas.Fields("ID_Produto").AsInteger());
      if (q <= 0) continue;
      ItemDaLista item;
      item.quantidade = q;
      item.produto = linhas.Fields("Produto").AsText();
      item.marca = linhas.Fields("Marca").AsText();
      item.complemento = linhas.Fields("Complemento").AsText();
      if (!CurrencyFromDouble(linhas.Fields("PrecoUnitario").AsDouble(), &item.precoUnitario)) {
        item.precoUnitario.scaled = 0;
      }
      relatorio.Adiciona(item);
    }
  }
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
