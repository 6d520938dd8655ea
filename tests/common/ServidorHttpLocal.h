#pragma once
// An HTTP server of the test's own on 127.0.0.1, on a free port the system picks: every request gets the
// current body and status, then the connection closes. One connection at a time, on its own thread; it
// stops when it goes out of scope, and in any case after five minutes. A server that has gone leaves an
// address where nobody listens.
#include <winsock2.h>
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
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int n = sizeof a;
    if (bind(escuta_, reinterpret_cast<sockaddr*>(&a), n) != 0 || listen(escuta_, 8) != 0 ||
        getsockname(escuta_, reinterpret_cast<sockaddr*>(&a), &n) != 0) {
      return;
    }
    porta_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ServidorHttpLocal() {
    parar_ = true;
    if (thread_.joinable()) thread_.join();
    closesocket(escuta_);
    WSACleanup();
  }

  bool Ativo() const { return porta_ != 0; }
  void Responde(std::string corpo, int status = 200) {
    const std::lock_guard<std::mutex> trava(mutex_);
    resposta_ = "HTTP/1.1 " + std::to_string(status) +
                " X\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(corpo.size()) +
                "\r\nConnection: close\r\n\r\n" + corpo;
  }
  std::string Endereco() const {
    return "http://127.0.0.1:" + std::to_string(porta_) + "/atualiza_lista.registrado.txt";
  }
  int Pedidos() const { return pedidos_; }

private:
  void Serve() {
    for (const DWORD fim = GetTickCount() + 300000; !parar_ && static_cast<int>(fim - GetTickCount()) > 0;) {
      fd_set prontos;
      FD_ZERO(&prontos);
      FD_SET(escuta_, &prontos);
      timeval espera{0, 50000};
      if (select(0, &prontos, nullptr, nullptr, &espera) != 1) continue;
      const SOCKET c = accept(escuta_, nullptr, nullptr);
      if (c == INVALID_SOCKET) continue;
      Atende(c);
      closesocket(c);
    }
  }

  // Reads the request's head, answers, and lets the client read everything before the socket goes, but
  // waits no more than a moment on a client that keeps its end open.
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
    std::string resposta;
    {
      const std::lock_guard<std::mutex> trava(mutex_);
      resposta = resposta_;
    }
    ++pedidos_;
    for (size_t enviado = 0; enviado < resposta.size();) {
      const int n = send(c, resposta.data() + enviado, static_cast<int>(resposta.size() - enviado), 0);
      if (n <= 0) break;
      enviado += static_cast<size_t>(n);
    }
    shutdown(c, SD_SEND);
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
  std::string resposta_;
};
