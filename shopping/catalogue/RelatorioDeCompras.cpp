#include "catalogue/RelatorioDeCompras.h"

#include <cmath>

namespace mercanota {

const char* const kTelefoneDoFabricante = "(11) 3555-0142";
const char* const kEmailDoFabricante = "contato@tarvelo.com.br";
const char* const kInternetDoFabricante = "http://www.tarvelo.com.br/";

namespace {

constexpr const char* kFimDeLinha = "\r\n";
constexpr const char* kCabecalho = "     Qtd. Produto                  Marca; Complemento       Unitário  (R$) Total";
constexpr const char* kRegua = "---- ---- ------------------------ ------------------------ -------- -----------";
constexpr size_t kLarguraDaLinha = 80;
constexpr size_t kLarguraDoNome = 24;
constexpr size_t kLarguraDaQuantidade = 4;
constexpr size_t kLarguraDoPreco = 8;
constexpr size_t kLarguraDoTotal = 11;

std::string ADireita(std::string texto, size_t largura) {
  if (texto.size() < largura) texto.insert(0, largura - texto.size(), ' ');
  return texto;
}

std::string AEsquerda(std::string_view texto, size_t largura) {
  std::string s(texto.substr(0, largura));
  s.resize(largura, ' ');
  return s;
}

// "#,##0.00" and "####,##0.00" write the same text: at least one integer digit grouped in threes, two
// decimals rounded half away from zero, the regional separators.
std::string Dinheiro(Currency valor, const RegionalSettings& r) {
  const bool negativo = valor.scaled < 0;
  // Magnitude in unsigned arithmetic, so the most negative amount has one too.
  unsigned long long m =
      negativo ? 0ULL - static_cast<unsigned long long>(valor.scaled) : static_cast<unsigned long long>(valor.scaled);
  const unsigned long long centavos = m / 100 + (m % 100 >= 50 ? 1 : 0);
  std::string inteiro = std::to_string(centavos / 100);
  std::string agrupado;
  for (size_t i = 0; i < inteiro.size(); ++i) {
    if (i > 0 && (inteiro.size() - i) % 3 == 0) agrupado.push_back(r.groupSeparator);
    agrupado.push_back(inteiro[i]);
  }
  const unsigned fracao = static_cast<unsigned>(centavos % 100);
  std::string texto = negativo && centavos != 0 ? "-" : "";
  texto += agrupado;
  texto.push_back(r.decimalSeparator);
  texto.push_back(static_cast<char>('0' + fracao / 10));
  texto.push_back(static_cast<char>('0' + fracao % 10));
  return texto;
}

std::string Estouro(size_t largura) { return std::string(largura, '#'); }

}  // namespace

bool CurrencyFromDouble(double valor, Currency* amount) {
  const double escalado = std::round(valor * Currency::kScale);
  // 2^63 is exactly representable; anything at or beyond it (or not a number) does not fit.
  if (!(escalado > -9223372036854775808.0 && escalado < 9223372036854775808.0)) return false;
  amount->scaled = static_cast<long long>(escalado);
  return true;
}

RelatorioDeCompras::RelatorioDeCompras(std::string_view nomeDaLista, const Date& data, const RegionalSettings& r)
    : r_(r) {
  char dia[4];
  dia[0] = static_cast<char>('0' + data.day / 10 % 10);
  dia[1] = static_cast<char>('0' + data.day % 10);
  dia[2] = '\0';
  const std::string mes = data.month >= 1 && data.month <= 12 ? r.monthNames[static_cast<size_t>(data.month - 1)] : "";
  std::string ano = std::to_string(data.year);
  if (ano.size() < 4) ano.insert(0, 4 - ano.size(), '0');

  texto_.reserve(4096);
  texto_ += "Lista de Compras '";
  texto_ += nomeDaLista;
  texto_ += "' Criada em ";
  texto_ += dia;
  texto_ += "/" + mes + "/" + ano + kFimDeLinha;
  texto_ += kFimDeLinha;
  texto_ += kCabecalho;
  texto_ += kFimDeLinha;
  texto_ += kRegua;
  texto_ += kFimDeLinha;
}

void RelatorioDeCompras::Adiciona(const ItemDaLista& item) {
  long long linha = 0;
  const bool linhaEstourou = __builtin_mul_overflow(item.quantidade, item.precoUnitario.scaled, &linha);
  if (linhaEstourou || __builtin_add_overflow(total_.scaled, linha, &total_.scaled)) estouro_ = true;

  texto_ += "(  ) ";
  texto_ += ADireita(std::to_string(item.quantidade), kLarguraDaQuantidade);
  texto_ += ' ';
  texto_ += AEsquerda(item.produto, kLarguraDoNome);
  texto_ += ' ';
  texto_ += AEsquerda(item.marca + "; " + item.complemento, kLarguraDoNome);
  texto_ += ' ';
  texto_ += ADireita(Dinheiro(item.precoUnitario, r_), kLarguraDoPreco);
  texto_ += ' ';
  texto_ += linhaEstourou ? Estouro(kLarguraDoTotal) : ADireita(Dinheiro(Currency{linha}, r_), kLarguraDoTotal);
  texto_ += kFimDeLinha;
}

std::string RelatorioDeCompras::Conclui() {
  texto_ += std::string(kLarguraDaLinha, '-');
  texto_ += kFimDeLinha;
  texto_ += "Total: ";
  texto_ += std::string(61, '.');
  texto_ += ' ';
  texto_ += estouro_ ? Estouro(kLarguraDoTotal) : ADireita(Dinheiro(total_, r_), kLarguraDoTotal);
  texto_ += kFimDeLinha;
  texto_ += kFimDeLinha;
  texto_ += kFimDeLinha;
  texto_ += AEsquerda("Tarvelo® Brasil:", 24);
  texto_ += "Telefone : ";
  texto_ += kTelefoneDoFabricante;
  texto_ += kFimDeLinha;
  texto_ += std::string(24, ' ') + "E-Mail   : " + kEmailDoFabricante + kFimDeLinha;
  texto_ += std::string(24, ' ') + "Internet : " + kInternetDoFabricante + kFimDeLinha;
  return std::move(texto_);
}

std::string TextoDaListaDeCompras(std::string_view nomeDaLista, const Date& data, const std::vector<ItemDaLista>& itens,
                                  const RegionalSettings& r) {
  RelatorioDeCompras relatorio(nomeDaLista, data, r);
  for (const ItemDaLista& item : itens) relatorio.Adiciona(item);
  return relatorio.Conclui();
}

}  // namespace mercanota
