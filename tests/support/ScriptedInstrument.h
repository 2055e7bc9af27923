// An instrument the test scripts datagram by datagram, on a loopback address and
// the test port: it answers the connect with the record it is given, answers
// keep-alives while the test waits on it, and sends exactly what the test asks.
#pragma once
#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "device/MarlixMFC.h"

class QueueSink;

class ScriptedInstrument {
public:
    explicit ScriptedInstrument(const char* address);
    ~ScriptedInstrument();
    ScriptedInstrument(const ScriptedInstrument&) = delete;
    ScriptedInstrument& operator=(const ScriptedInstrument&) = delete;

    // Waits for MX_CMD_CONNECT and answers EV_CONNECT_STATE 2 with the record.
    bool AnswerConnect(const DeviceInfoRecord& record, int timeoutMs = 10000);
    // Starts lib's link to this instrument, answers its connect with the record and
    // waits until lib has posted the connection (WM_CONNECT_STATE) through sink.
    bool Connect(CMarlixMFC& lib, QueueSink& sink, const DeviceInfoRecord& record);
    // Reads what comes for ms: keep-alives are answered, commands kept.
    void Serve(int ms);
    // The same for what is waiting now, without waiting.
    void ServeWaiting();
    void Send(std::uint16_t id, std::uint32_t ref, const std::vector<std::uint8_t>& payload);
    void SendU32s(std::uint16_t id, const std::vector<std::uint32_t>& values, std::uint32_t ref = 0);

    // Sends the message again and again, as fast as `senders` threads can, until
    // StopFlood (which returns how many datagrams went out). Serve and Send may go
    // on meanwhile on this thread.
    void StartFlood(std::uint16_t id, const std::vector<std::uint8_t>& payload, int senders = 1);
    unsigned long long StopFlood();

    struct Command {
        std::uint16_t id;
        std::uint32_t seq;
        std::vector<std::uint8_t> payload;
        std::size_t keepAlivesBefore; // keep-alives received before it
        std::chrono::steady_clock::time_point at;
    };
    std::vector<Command> commands;
    // When each keep-alive arrived; answered only while answerKeepAlives.
    std::vector<std::chrono::steady_clock::time_point> keepAlives;
    bool answerKeepAlives = true;
    bool bound = false;

private:
    bool ReceiveOne(int waitMs);
    int m_fd = -1;
    std::uint32_t m_addr = 0; // network order
    sockaddr_in m_client{};
    std::uint32_t m_seq = 1;
    std::vector<std::thread> m_flood;
    std::atomic<bool> m_floodStop{false};
    std::atomic<unsigned long long> m_floodSent{0};
};
