// SPDX-License-Identifier: GPL-3.0-or-later
// A connected TCP socket taken over from its listener by descriptor: non-blocking
// reads and writes, and the two halves closed one at a time, so that a peer that has
// ended its sending still gets every answer before the connection closes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace skyvane::platform {

// What a read found.
struct SocketRead {
    std::size_t bytes = 0;  // bytes read into the buffer
    bool ended = false;     // the peer will send nothing more
    int error = 0;          // the system's error number of a broken connection, else 0
};

class StreamSocket {
public:
    // Takes over the connected descriptor `handle` and makes it non-blocking.
    explicit StreamSocket(std::intptr_t handle);
    // Closes the descriptor.
    ~StreamSocket();
    StreamSocket(const StreamSocket&) = delete;
    StreamSocket& operator=(const StreamSocket&) = delete;

    // The descriptor, for the event loop's readiness watch.
    std::intptr_t NativeHandle() const { return handle_; }
    // Reads what has arrived, up to `size` bytes, without waiting.
    SocketRead Read(char* buffer, std::size_t size);
    // Writes what the system takes now without waiting; returns the bytes written, or
    // -1 with `error` set when the connection is broken.
    long Write(const char* data, std::size_t size, int& error);
    // Ends this side's sending: the peer reads the end of the stream after the bytes
    // already written.
    void ShutdownOutput();

private:
    std::intptr_t handle_;
};

}  // namespace skyvane::platform
