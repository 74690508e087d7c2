// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace mirelon {

// The desktop's camera portal: how a sandboxed program (or one whose own
// PipeWire connection sees no camera) reaches cameras. The base has no
// portal: it is never wanted and answers every question with "no".
class CameraPortal {
public:
    enum class Answer { granted, refused, unavailable };

    virtual ~CameraPortal() = default;

    // Whether the program runs in a sandbox, where cameras come only through
    // the portal.
    virtual bool isSandboxed() const { return false; }
    // Whether the portal says a camera is present; done(present) runs once on
    // the main thread (false when there is no portal).
    virtual void isCameraPresent(std::function<void(bool)> done) { done(false); }
    // Asks for the camera once and opens a PipeWire connection that sees the
    // cameras; done(answer, fd) runs once on the main thread, fd (the
    // connection, owned by the receiver) valid only with a grant.
    virtual void open(std::function<void(Answer, int)> done) { done(Answer::unavailable, -1); }
    // Whether the user refused the camera when the portal asked.
    virtual bool wasRefused() const { return false; }

    // The session's portal, made on first use by the factory the platform
    // loader installed (the base without one); tests replace it.
    static CameraPortal& shared();
    static void setShared(CameraPortal* portal);
    static void setFactory(std::function<CameraPortal*()> factory);
};

}  // namespace mirelon
