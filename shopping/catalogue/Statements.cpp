#include "catalogue/Statements.h"

#include <charconv>

namespace mercanota::sql {
namespace {

// `value` ready to stand between two `quote` characters.
std::string Quoted(std::string_view value, char quote) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    out.push_back(c);
    if (c == quote) out.push_back(c);
  }
  return out;
}

std::string S(std::string_view value) { return Quoted(value, '\''); }
std::string D(std::string_view value) { return Quoted(value, '"'); }
std::string Id(long long id) { return std::to_string(id); }

}  // namespace

std::string SelectAllProducts() { return "Select * From Produtos"; }

std::string SelectBrandsOfName(std::string_view name) {
  return "Select Marca from Produtos Where Produto = '" + S(name) + "'";
}

std::string InsertProduct(std::string_view name, std::string_view brand, std::string_view complement,
                          std::string_view date, std::string_view price) {
  return "Insert Into Produtos(Produto,Marca,Complemento,DataPesquisa,PrecoUnitario) Values(\"" + D(name) + "\",\"" +
         D(brand) + "\",\"" + D(complement) + "\",\"" + D(date) + "\",\"" + D(price) + "\")";
}

std::string UpdateProduct(long long id, std::string_view name, std::string_view brand, std::string_view complement,
                          std::string_view date, std::string_view price) {
  return "Update Produtos Set Produto = '" + S(name) + "', Marca = '" + S(brand) + "', Complemento = '" +
         S(complement) + "', DataPesquisa = '" + S(date) + "', PrecoUnitario = \"" + D(price) +
         "\" Where ID_Produto = " + Id(id);
}

std::string UpdateProductPrice(long long id, std::string_view name, std::string_view brand, std::string_view complement,
                               std::string_view price, std::string_view date) {
  return "Update Produtos Set Produto = '" + S(name) + "', Marca = '" + S(brand) + "', Complemento = '" +
         S(complement) + "', PrecoUnitario = \"" + D(price) + "\", DataPesquisa = '" + S(date) +
         "' Where ID_Produto = " + Id(id);
}

std::string SelectIdOfEntry(std::string_view name, std::string_view brand, std::string_view complement) {
  return "Select ID_Produto from Produtos Where Produto = '" + S(name) + "' and Marca = '" + S(brand) +
         "' and Complemento = '" + S(complement) + "'";
}

std::string SelectDistinctNames() { return "Select Distinct Produto From Produtos order By Produto"; }

std::string SelectDistinctNamesAfterEdit() { return "Select Distinct Produto From Produtos Order By Produto"; }

std::string SelectBrandsAndComplements(std::string_view name) {
  return "Select Marca,Complemento From Produtos Where Produto = '" + S(name) + "' order By Produto";
}

std::string SelectEntryDetails(std::string_view name, std::string_view brand, std::string_view complement) {
  return "Select ID_Produto,DataPesquisa,PrecoUnitario From Produtos Where Produto = '" + S(name) + "' and Marca = '" +
         S(brand) + "' and Complemento = '" + S(complement) + "'";
}

std::string SelectProductById(long long id) { return "Select * from Produtos Where ID_Produto = " + Id(id); }

std::string SelectListsUsingProduct(long long id) {
  return "Select Nome_Salvar from Compras Where ID_Produto = " + Id(id);
}

std::string DeleteProduct(long long id) { return "Delete * From Produtos Where ID_Produto = " + Id(id); }

std::string SelectBrandsByPrice(std::string_view name) {
  return "Select ID_Produto, Marca, Complemento from Produtos Where Produto = '" + S(name) + "' order by PrecoUnitario";
}

std::string SelectEntriesByPrice(std::string_view name) {
  return "Select * from Produtos Where Produto = '" + S(name) + "' order by PrecoUnitario";
}

std::string SelectNameById(long long id) { return "Select Produto from Produtos Where ID_Produto = " + Id(id); }

std::string SelectIdsOfList(std::string_view list) {
  return "Select ID_Produto from Compras Where Nome_Salvar = '" + S(list) + "'";
}

std::string SelectSavedListNames() { return "Select Distinct Nome_Salvar from Compras Order by Nome_Salvar"; }

std::string DeleteList(std::string_view list) { return "Delete * From Compras Where Nome_Salvar = '" + S(list) + "'"; }

std::string SelectQuantity(std::string_view list, long long id) {
  return "Select Quantidade from Compras Where Nome_Salvar = '" + S(list) + "' and ID_Produto = " + Id(id);
}

std::string InsertListLine(std::string_view list, long long id, std::string_view quantity) {
  return "Insert Into Compras(Nome_Salvar,ID_Produto,Quantidade) Values(\"" + D(list) + "\"," + Id(id) + ",\"" +
         D(quantity) + "\")";
}

bool ParseId(std::string_view text, long long* id) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return false;
  long long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  *id = value;
  return true;
}

}  // namespace mercanota::sql
