#pragma once
// A small HTTP server of the test's own on 127.0.0.1 (a free port chosen by the system), for programs
// that fetch a document: every GET is answered with the current body and status, then the connection
// closes. It serves one connection at a time on its own thread, stops when it goes out of scope, and in
// any case after five minutes. Never bound to any other address.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

class ServidorHttpLocal {
public:
  ServidorHttpLocal() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    escuta_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = Local(0);
    if (bind(escuta_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(escuta_, 8) != 0) return;
    int n = sizeof a;
    getsockname(escuta_, reinterpret_cast<sockaddr*>(&a), &n);
    porta_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ServidorHttpLocal() {
    parar_ = true;
    if (thread_.joinable()) thread_.join();
    closesocket(escuta_);
    WSACleanup();
  }
  ServidorHttpLocal(const ServidorHttpLocal&) = delete;
  ServidorHttpLocal& operator=(const ServidorHttpLocal&) = delete;

  bool Ativo() const { return porta_ != 0; }
  void Responde(std::string corpo, int status = 200) {
    std::lock_guard<std::mutex> trava(mutex_);
    corpo_ = std::move(corpo);
    status_ = status;
  }
  std::string Endereco(const std::string& caminho = "/atualiza_lista.registrado.txt") const {
    return "http://127.0.0.1:" + std::to_string(porta_) + caminho;
  }
  int Pedidos() const { return pedidos_; }

private:
  static sockaddr_in Local(unsigned short porta) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(porta);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
  }

  void Serve() {
    const DWORD fim = GetTickCount() + 5 * 60 * 1000;
    while (!parar_ && static_cast<int>(fim - GetTickCount()) > 0) {
      fd_set prontos;
      FD_ZERO(&prontos);
      FD_SET(escuta_, &prontos);
      timeval espera{0, 50 * 1000};
      if (select(0, &prontos, nullptr, nullptr, &espera) != 1) continue;
      SOCKET c = accept(escuta_, nullptr, nullptr);
      if (c == INVALID_SOCKET) continue;
      Atende(c);
      closesocket(c);
    }
  }

  void Atende(SOCKET c) {
    DWORD prazo = 5000;
    setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&prazo), sizeof prazo);
    std::string pedido;
    char bloco[4096];
    while (pedido.find("\r\n\r\n") == std::string::npos && pedido.size() < 65536) {
      const int n = recv(c, bloco, sizeof bloco, 0);
      if (n <= 0) return;
      pedido.append(bloco, static_cast<size_t>(n));
    }
    std::string corpo;
    int status;
    {
      std::lock_guard<std::mutex> trava(mutex_);
      corpo = corpo_;
      status = status_;
    }
    ++pedidos_;
    std::string resposta = "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Erro") +
                           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(corpo.size()) +
                           "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + corpo;
    for (size_t enviado = 0; enviado < resposta.size();) {
      const int n = send(c, resposta.data() + enviado, static_cast<int>(resposta.size() - enviado), 0);
      if (n <= 0) break;
      enviado += static_cast<size_t>(n);
    }
    shutdown(c, SD_SEND);
    // Let the client read everything before the socket goes, but never wait on a client that keeps its
    // end open: the next request would wait behind it.
    prazo = 200;
    setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&prazo), sizeof prazo);
    while (recv(c, bloco, sizeof bloco, 0) > 0) {
    }
  }

  SOCKET escuta_ = INVALID_SOCKET;
  unsigned short porta_ = 0;
  std::thread thread_;
  std::atomic<bool> parar_{false};
  std::atomic<int> pedidos_{0};
  std::mutex mutex_;
  std::string corpo_;
  int status_ = 200;
};
