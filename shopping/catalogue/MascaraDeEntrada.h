#pragma once
// The rules of a masked entry box, apart from any window: the text always has the mask's length, its
// literal characters stay where the mask puts them, and every placeholder holds either a character it
// accepts or the prompt character. "##/##/####" with prompt '_' is a date box that reads "__/__/____"
// while nothing has been typed.
//
// Placeholders: '#' a digit, '?' a letter, 'A' a letter or digit, '&' any printable character. Every other
// mask character is a literal.
//
// Typing overwrites (the text never shifts), skips literals, and refuses what the placeholder does not
// accept; deleting puts the prompt back. The box's caret and selection are character positions.
#include <cstddef>
#include <string>
#include <string_view>

namespace mercanota {

class MascaraDeEntrada {
public:
  // The text, the selection [inicio, fim) and so the caret (inicio, when nothing is selected).
  struct Estado {
    std::string texto;
    size_t inicio = 0;
    size_t fim = 0;
  };

  MascaraDeEntrada(std::string mascara, char prompt);

  const std::string& Mascara() const { return mascara_; }
  char Prompt() const { return prompt_; }

  // Every placeholder empty: "__/__/____".
  std::string Vazio() const;
  // True when no placeholder of `texto` holds a character.
  bool Vazia(std::string_view texto) const;
  // True when `texto` could be the box's text: the mask's length, its literals in place, every placeholder
  // the prompt or a character it accepts.
  bool Encaixa(std::string_view texto) const;
  // What the box shows when given `texto` as a whole: the text itself when it fits, the empty mask
  // otherwise (a text that does not fit is never spread over the placeholders, which would turn "1/3/2025"
  // into a different date).
  std::string Ajusta(std::string_view texto) const;
  // The first placeholder at or after `posicao`, or the mask's length when there is none.
  size_t ProximoCampo(size_t posicao) const;

  // A character typed over the selection. False (nothing typed) when no placeholder that follows accepts
  // it; a selection is emptied all the same, as typing over it would.
  bool Digita(Estado& e, char c) const;
  // Backspace: empties the selection, or the placeholder before the caret.
  bool Apaga(Estado& e) const;
  // Delete: empties the selection, or the placeholder at or after the caret.
  bool Exclui(Estado& e) const;
  // Pasting: the selection emptied, then `texto` typed character by character; characters that fit
  // nowhere are left out. False when nothing of it was taken.
  bool Cola(Estado& e, std::string_view texto) const;

private:
  bool Campo(size_t posicao) const;
  bool Aceita(size_t posicao, char c) const;
  void EsvaziaSelecao(Estado& e) const;
  static void Normaliza(Estado& e, size_t tamanho);

  std::string mascara_;
  char prompt_;
};

}  // namespace mercanota
