#include "catalogue/MascaraDeEntrada.h"

#include <algorithm>
#include <utility>

namespace mercanota {
namespace {

bool Digito(unsigned char c) { return c >= '0' && c <= '9'; }

// Letters of Windows-1252: ASCII, the accented range (without the multiplication and division signs) and
// the few letters of the 0x80 row.
bool Letra(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (c >= 0xC0 && c != 0xD7 && c != 0xF7) return true;
  return c == 0x8A || c == 0x8C || c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F;
}

bool Imprimivel(unsigned char c) { return c >= 0x20 && c != 0x7F; }

}  // namespace

MascaraDeEntrada::MascaraDeEntrada(std::string mascara, char prompt) : mascara_(std::move(mascara)), prompt_(prompt) {}

bool MascaraDeEntrada::Campo(size_t posicao) const {
  if (posicao >= mascara_.size()) return false;
  const char m = mascara_[posicao];
  return m == '#' || m == '?' || m == 'A' || m == '&';
}

bool MascaraDeEntrada::Aceita(size_t posicao, char c) const {
  const auto u = static_cast<unsigned char>(c);
  switch (mascara_[posicao]) {
    case '#': return Digito(u);
    case '?': return Letra(u);
    case 'A': return Digito(u) || Letra(u);
    case '&': return Imprimivel(u);
    default: return false;
  }
}

std::string MascaraDeEntrada::Vazio() const {
  std::string texto = mascara_;
  for (size_t i = 0; i < texto.size(); ++i) {
    if (Campo(i)) texto[i] = prompt_;
  }
  return texto;
}

bool MascaraDeEntrada::Vazia(std::string_view texto) const {
  for (size_t i = 0; i < texto.size() && i < mascara_.size(); ++i) {
    if (Campo(i) && texto[i] != prompt_) return false;
  }
  return true;
}

bool MascaraDeEntrada::Encaixa(std::string_view texto) const {
  if (texto.size() != mascara_.size()) return false;
  for (size_t i = 0; i < texto.size(); ++i) {
    if (Campo(i) ? (texto[i] != prompt_ && !Aceita(i, texto[i])) : texto[i] != mascara_[i]) return false;
  }
  return true;
}

std::string MascaraDeEntrada::Ajusta(std::string_view texto) const {
  return Encaixa(texto) ? std::string(texto) : Vazio();
}

size_t MascaraDeEntrada::ProximoCampo(size_t posicao) const {
  while (posicao < mascara_.size() && !Campo(posicao)) ++posicao;
  return posicao;
}

// A state that came from a window may be out of step with the mask (a selection past the end, a text of
// another length): it is brought back within the rules before anything is changed.
void MascaraDeEntrada::Normaliza(Estado& e, size_t tamanho) {
  if (e.inicio > e.fim) std::swap(e.inicio, e.fim);
  e.fim = std::min(e.fim, tamanho);
  e.inicio = std::min(e.inicio, e.fim);
}

void MascaraDeEntrada::EsvaziaSelecao(Estado& e) const {
  if (!Encaixa(e.texto)) e.texto = Vazio();
  Normaliza(e, mascara_.size());
  for (size_t i = e.inicio; i < e.fim; ++i) {
    if (Campo(i)) e.texto[i] = prompt_;
  }
  e.fim = e.inicio;
}

bool MascaraDeEntrada::Digita(Estado& e, char c) const {
  EsvaziaSelecao(e);
  size_t& cursor = e.inicio;
  // The separator typed where it stands, or just after the caret skipped it, is taken as read: typing a
  // whole date with its slashes goes through without a complaint.
  if (cursor < mascara_.size() && !Campo(cursor) && mascara_[cursor] == c) {
    e.fim = ++cursor;
    return true;
  }
  if (cursor > 0 && !Campo(cursor - 1) && mascara_[cursor - 1] == c) return true;

  const size_t campo = ProximoCampo(cursor);
  if (campo >= mascara_.size() || !Aceita(campo, c)) return false;
  e.texto[campo] = c;
  // The caret goes on to the next placeholder, past any literal, or to the end.
  const size_t proximo = ProximoCampo(campo + 1);
  cursor = proximo < mascara_.size() ? proximo : campo + 1;
  e.fim = cursor;
  return true;
}

bool MascaraDeEntrada::Apaga(Estado& e) const {
  Normaliza(e, mascara_.size());
  if (e.inicio != e.fim || !Encaixa(e.texto)) {
    EsvaziaSelecao(e);
    return true;
  }
  size_t posicao = e.inicio;
  while (posicao > 0) {
    --posicao;
    if (Campo(posicao)) {
      e.texto[posicao] = prompt_;
      e.inicio = e.fim = posicao;
      return true;
    }
  }
  return false;
}

bool MascaraDeEntrada::Exclui(Estado& e) const {
  Normaliza(e, mascara_.size());
  if (e.inicio != e.fim || !Encaixa(e.texto)) {
    EsvaziaSelecao(e);
    return true;
  }
  const size_t campo = ProximoCampo(e.inicio);
  if (campo >= mascara_.size()) return false;
  e.texto[campo] = prompt_;
  return true;
}

bool MascaraDeEntrada::Cola(Estado& e, std::string_view texto) const {
  EsvaziaSelecao(e);
  bool algum = false;
  for (char c : texto) {
    if (e.inicio >= mascara_.size()) break;
    if (Digita(e, c)) algum = true;
  }
  return algum;
}

}  // namespace mercanota
