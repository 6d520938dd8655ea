// The statement texts the catalogue layer builds.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/Statements.h"

namespace {

using namespace mercanota::sql;

struct StatementCase {
  int number;
  std::string built;
  std::string expected;
};

// Plain values give exactly the texts the catalogue has always received.
TEST(Statements, PlainValuesGiveTheExactTexts) {
  const StatementCase cases[] = {
      {1, SelectAllProducts(), "Select * From Produtos"},
      {2, SelectBrandsOfName("Arroz"), "Select Marca from Produtos Where Produto = 'Arroz'"},
      {3, InsertProduct("Arroz", "Vale Verde", "5 kg", "03/03/2025", "22,45"),
       "Insert Into Produtos(Produto,Marca,Complemento,DataPesquisa,PrecoUnitario) "
       "Values(\"Arroz\",\"Vale Verde\",\"5 kg\",\"03/03/2025\",\"22,45\")"},
      {4, UpdateProduct(17, "Arroz", "Vale Verde", "5 kg", "03/03/2025", "22,45"),
       "Update Produtos Set Produto = 'Arroz', Marca = 'Vale Verde', Complemento = '5 kg', "
       "DataPesquisa = '03/03/2025', PrecoUnitario = \"22,45\" Where ID_Produto = 17"},
      {5, UpdateProductPrice(17, "Arroz", "Vale Verde", "5 kg", "22,45", "03/03/2025"),
       "Update Produtos Set Produto = 'Arroz', Marca = 'Vale Verde', Complemento = '5 kg', "
       "PrecoUnitario = \"22,45\", DataPesquisa = '03/03/2025' Where ID_Produto = 17"},
      {6, SelectIdOfEntry("Arroz", "Vale Verde", "5 kg"),
       "Select ID_Produto from Produtos Where Produto = 'Arroz' and Marca = 'Vale Verde' and Complemento = '5 kg'"},
      {7, SelectDistinctNames(), "Select Distinct Produto From Produtos order By Produto"},
      {8, SelectDistinctNamesAfterEdit(), "Select Distinct Produto From Produtos Order By Produto"},
      {9, SelectBrandsAndComplements("Arroz"),
       "Select Marca,Complemento From Produtos Where Produto = 'Arroz' order By Produto"},
      {10, SelectEntryDetails("Arroz", "Vale Verde", "5 kg"),
       "Select ID_Produto,DataPesquisa,PrecoUnitario From Produtos Where Produto = 'Arroz' and "
       "Marca = 'Vale Verde' and Complemento = '5 kg'"},
      {11, SelectProductById(17), "Select * from Produtos Where ID_Produto = 17"},
      {12, SelectListsUsingProduct(17), "Select Nome_Salvar from Compras Where ID_Produto = 17"},
      {13, DeleteProduct(17), "Delete * From Produtos Where ID_Produto = 17"},
      {14, SelectBrandsByPrice("Arroz"),
       "Select ID_Produto, Marca, Complemento from Produtos Where Produto = 'Arroz' order by PrecoUnitario"},
      {15, SelectEntriesByPrice("Arroz"), "Select * from Produtos Where Produto = 'Arroz' order by PrecoUnitario"},
      {16, SelectNameById(17), "Select Produto from Produtos Where ID_Produto = 17"},
      {17, SelectIdsOfList("Feira"), "Select ID_Produto from Compras Where Nome_Salvar = 'Feira'"},
      {18, SelectSavedListNames(), "Select Distinct Nome_Salvar from Compras Order by Nome_Salvar"},
      {19, DeleteList("Feira"), "Delete * From Compras Where Nome_Salvar = 'Feira'"},
      {20, SelectQuantity("Feira", 17),
       "Select Quantidade from Compras Where Nome_Salvar = 'Feira' and ID_Produto = 17"},
      {21, InsertListLine("Feira", 17, "2,5"),
       "Insert Into Compras(Nome_Salvar,ID_Produto,Quantidade) Values(\"Feira\",17,\"2,5\")"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.built, c.expected) << "statement " << c.number;
}

// A quote of the kind that encloses a value is doubled; the other kind stays as it is.
TEST(Statements, QuotesInsideValuesAreDoubledForTheirPosition) {
  EXPECT_EQ(SelectBrandsOfName("D'Ajuda"), "Select Marca from Produtos Where Produto = 'D''Ajuda'");
  EXPECT_EQ(SelectBrandsOfName("TV 14\""), "Select Marca from Produtos Where Produto = 'TV 14\"'");
  EXPECT_EQ(InsertProduct("D'Ajuda", "14\"", "a\"\"b", "d", "1"),
            "Insert Into Produtos(Produto,Marca,Complemento,DataPesquisa,PrecoUnitario) "
            "Values(\"D'Ajuda\",\"14\"\"\",\"a\"\"\"\"b\",\"d\",\"1\")");
  EXPECT_EQ(UpdateProduct(3, "D'Ajuda", "x", "y", "d", "1\"0"),
            "Update Produtos Set Produto = 'D''Ajuda', Marca = 'x', Complemento = 'y', "
            "DataPesquisa = 'd', PrecoUnitario = \"1\"\"0\" Where ID_Produto = 3");
  EXPECT_EQ(DeleteList("Lista' or ''='"), "Delete * From Compras Where Nome_Salvar = 'Lista'' or ''''='''");
}

TEST(Statements, IdentifierPanelTextsAreReadAsWholeNumbers) {
  long long id = 0;
  EXPECT_TRUE(ParseId("42", &id));
  EXPECT_EQ(id, 42);
  EXPECT_TRUE(ParseId(" 7 ", &id));
  EXPECT_EQ(id, 7);
  for (const char* bad : {"-", "", "4 2", "1 or 1=1", "12a", "99999999999999999999"}) {
    EXPECT_FALSE(ParseId(bad, &id)) << bad;
  }
}

}  // namespace
