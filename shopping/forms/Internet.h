#pragma once
// The internet transfer the price update uses: one synchronous HTTP fetch of a small text document through
// WinINet, with the address of the update file chosen here. The address is the maker's server unless the
// environment variable MERCANOTA_UPDATE_URL gives the full URL of the file (a shop's own mirror, and the
// tests' server on 127.0.0.1); tests may also set Ambiente().enderecoDaAtualizacao.
#include <windows.h>

#include <string>

namespace mercanota {

// The update file's address as the program starts: MERCANOTA_UPDATE_URL when set and not empty, else the
// file on the maker's server.
std::string EnderecoPadraoDaAtualizacao();

// An invisible transfer control: set URL, then OpenURL blocks until the whole document has arrived.
class Inet {
public:
  // The largest document accepted: an update text of a thousand records is a few tens of kilobytes.
  static constexpr size_t kMaiorDocumento = 1 << 20;

  std::string URL;

  // The document at URL. False when the transfer fails: no connection, a refused or unanswered request,
  // an HTTP status other than 200, a document larger than kMaiorDocumento, or one holding a NUL byte (no
  // text file does). `documento` is then empty.
  bool OpenURL(std::string* documento);
  // Why the last OpenURL failed: a Win32/WinINet error code, or the HTTP status.
  DWORD UltimoErro() const { return ultimoErro_; }

private:
  DWORD ultimoErro_ = 0;
};

}  // namespace mercanota
