#include "forms/Internet.h"

#include <wininet.h>

#include <cstring>

namespace mercanota {
namespace {

const char kEnderecoDoFabricante[] = "http://www.tarvelo.com.br/atualiza_lista.registrado.txt";

// A server that accepts the connection and then says nothing must not hold the program for ever.
constexpr DWORD kPrazoMs = 30000;

class Alca {
public:
  explicit Alca(HINTERNET h) : h_(h) {}
  ~Alca() {
    if (h_) InternetCloseHandle(h_);
  }
  Alca(const Alca&) = delete;
  Alca& operator=(const Alca&) = delete;
  HINTERNET get() const { return h_; }

private:
  HINTERNET h_;
};

}  // namespace

std::string EnderecoPadraoDaAtualizacao() {
  char endereco[2048] = {};
  const DWORD n = GetEnvironmentVariableA("MERCANOTA_UPDATE_URL", endereco, sizeof endereco);
  if (n > 0 && n < sizeof endereco) return std::string(endereco, n);
  return kEnderecoDoFabricante;
}

bool Inet::OpenURL(std::string* documento) {
  documento->clear();
  ultimoErro_ = 0;
  const auto falha = [&](DWORD erro) {
    ultimoErro_ = erro ? erro : ERROR_INTERNET_INTERNAL_ERROR;
    documento->clear();
    return false;
  };

  Alca sessao(InternetOpenA("Mercanota", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!sessao.get()) return falha(GetLastError());
  DWORD prazo = kPrazoMs;
  for (DWORD opcao : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(sessao.get(), opcao, &prazo, sizeof prazo);
  }
  // Always the server's current text: a cached copy would pass an old update for a new one.
  const DWORD opcoes = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                       INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
  Alca arquivo(InternetOpenUrlA(sessao.get(), URL.c_str(), nullptr, 0, opcoes, 0));
  if (!arquivo.get()) return falha(GetLastError());

  // An error page is no update text.
  DWORD status = 0;
  DWORD tamanho = sizeof status;
  if (HttpQueryInfoA(arquivo.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &tamanho, nullptr) &&
      status != HTTP_STATUS_OK) {
    return falha(status);
  }

  char bloco[8192];
  for (;;) {
    DWORD lidos = 0;
    if (!InternetReadFile(arquivo.get(), bloco, sizeof bloco, &lidos)) return falha(GetLastError());
    if (lidos == 0) break;
    if (documento->size() + lidos > kMaiorDocumento) return falha(ERROR_INSUFFICIENT_BUFFER);
    if (std::memchr(bloco, '\0', lidos)) return falha(ERROR_INVALID_DATA);
    documento->append(bloco, lidos);
  }
  return true;
}

}  // namespace mercanota
