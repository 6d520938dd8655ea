#include "lists/ProdutosDaLista.h"

#include <unordered_set>

#include "forms/Eventos.h"
#include "catalogue/ListConventions.h"
#include "lists/ListaMarcavel.h"
#include "forms/ModuloGlobal.h"
#include "forms/Servicos.h"

namespace mercanota {

bool CarregaProdutosDaLista(const std::string& nome) {
  auto& produtos = ModuloGlobal::ProdutosDaLista;
  for (auto& p : produtos) p.clear();
  // An entry deleted from the catalogue leaves no empty slot: an empty slot ends the list, and every name
  // after it would be lost.
  std::vector<std::string> nomes;
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.NamesOfList(nome, &nomes); })) return false;
  for (size_t n = 0; n < nomes.size() && n + 1 < produtos.size(); ++n) produtos[n + 1] = std::move(nomes[n]);
  return true;
}

bool PreencheListaDeProdutos(HWND lista) {
  std::vector<std::string> nomes;
  if (!ModuloGlobal::Le([&](const Shop& loja) { return loja.Names(&nomes); })) return false;
  if (nomes.empty()) {
    MsgBox("Desculpe, mas para gerar uma lista de compras, primeiro deve existir algum produto cadastrado.",
           MB_OK | MB_ICONSTOP, "Erro:");
    return false;
  }
  ComAmpulheta ampulheta;
  SendMessageA(lista, WM_SETREDRAW, FALSE, 0);
  lista::Clear(lista);
  SendMessageA(lista, LB_INITSTORAGE, nomes.size(), nomes.size() * 24);
  for (const std::string& nome : nomes) lista::AddItem(lista, nome);

  // The tick pass: an entry is ticked when its name is one of the list's. The catalogue takes names that
  // differ only in letter case ("Arroz", "arroz") for one, and lists one spelling of them, while a saved
  // list names its entries in their own: they are compared as the catalogue compares them, or such a
  // product was never ticked, left off the printed list and dropped when the list was saved again.
  const auto semCaixa = [](std::string nome) {
    for (char& c : nome) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return nome;
  };
  std::unordered_set<std::string> daLista;
  for (size_t j = 1; j < ModuloGlobal::ProdutosDaLista.size() && !ModuloGlobal::ProdutosDaLista[j].empty(); ++j) {
    daLista.insert(semCaixa(ModuloGlobal::ProdutosDaLista[j]));
  }
  if (!daLista.empty()) {
    const int n = lista::ListCount(lista);
    for (int i = 0; i < n; ++i) {
      if (daLista.count(semCaixa(lista::Item(lista, i)))) SendMessageA(lista, LB_SETSEL, TRUE, i);
    }
  }
  lista::DefineListIndex(lista, 0);
  SendMessageA(lista, LB_SETTOPINDEX, 0, 0);
  SendMessageA(lista, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(lista, nullptr, TRUE);
  return true;
}

}  // namespace mercanota
