#include "lists/ProdutosDaLista.h"

#include <unordered_set>

#include "forms/Eventos.h"
#include "catalogue/ListConventions.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "forms/Servicos.h"
#include "catalogue/Statements.h"

namespace mercanota {

bool CarregaProdutosDaLista(const std::string& nome) {
  auto& produtos = ModuloGlobal::ProdutosDaLista;
  for (auto& p : produtos) p.clear();
  Recordset linhas;
  if (!ModuloGlobal::Consulta(sql::SelectIdsOfList(nome), &linhas)) return false;
  DefinePonteiro(Ponteiro::kAmpulheta);
  size_t n = 0;
  for (; !linhas.Eof() && n < kMaxProdutosDaLista; linhas.MoveNext()) {
    Recordset produto;
    if (!ModuloGlobal::CatalogueDatabase.CreateSnapshot(sql::SelectNameById(linhas.Fields("ID_Produto").AsInteger()),
                                                        &produto)) {
      DefinePonteiro(Ponteiro::kPadrao);
      ModuloGlobal::MostraErroDoBancoDeDados();
      return false;
    }
    // An entry deleted from the catalogue leaves no empty slot: an empty slot ends the list, and every
    // name after it would be lost.
    if (!produto.Eof()) produtos[++n] = produto.Fields("Produto").AsText();
    produto.Close();
  }
  linhas.Close();
  DefinePonteiro(Ponteiro::kPadrao);
  return true;
}

bool PreencheListaDeProdutos(HWND lista) {
  Recordset nomes;
  if (!ModuloGlobal::Consulta(sql::SelectDistinctNames(), &nomes)) return false;
  if (nomes.Eof()) {
    MsgBox("Desculpe, mas para gerar uma lista de compras, primeiro deve existir algum produto cadastrado.",
           MB_OK | MB_ICONSTOP, "Erro:");
    nomes.Close();
    return false;
  }
  ComAmpulheta ampulheta;
  SendMessageA(lista, WM_SETREDRAW, FALSE, 0);
  lista::Clear(lista);
  SendMessageA(lista, LB_INITSTORAGE, nomes.RowCount(), nomes.RowCount() * 24);
  for (; !nomes.Eof(); nomes.MoveNext()) lista::AddItem(lista, nomes.Fields("Produto").AsText());
  nomes.Close();

  // The tick pass: an entry is ticked when its name is one of the list's (exact comparison).
  std::unordered_set<std::string> daLista;
  for (size_t j = 1; j < ModuloGlobal::ProdutosDaLista.size() && !ModuloGlobal::ProdutosDaLista[j].empty(); ++j) {
    daLista.insert(ModuloGlobal::ProdutosDaLista[j]);
  }
  if (!daLista.empty()) {
    const int n = lista::ListCount(lista);
    for (int i = 0; i < n; ++i) {
      if (daLista.count(lista::Item(lista, i))) SendMessageA(lista, LB_SETSEL, TRUE, i);
    }
  }
  lista::DefineListIndex(lista, 0);
  SendMessageA(lista, LB_SETTOPINDEX, 0, 0);
  SendMessageA(lista, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(lista, nullptr, TRUE);
  return true;
}

}  // namespace mercanota
