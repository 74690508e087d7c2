// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>

namespace mirelon {

class PanelContent;
class PanelWindow;

// What the panel controller needs of a camera session model.
class PanelCamera {
public:
    virtual ~PanelCamera() = default;

    virtual void updatePreferredDeviceId(const QString& id) = 0;
    virtual void startCamera() = 0;
    virtual void stopCamera() = 0;

    virtual bool isSessionRunning() const = 0;
    virtual bool isStartingCamera() const = 0;
    virtual bool hasCaptureFailureMessage() const = 0;

    // Releases everything: cancels a pending start retry, dismantles the
    // capture session, installs a fresh empty one, and clears the running,
    // starting and failure state.
    virtual void shutDown() = 0;
};

// Makes the parts of a panel: one session model per camera and the content
// shown in its panel.
class PanelPartsFactory {
public:
    virtual ~PanelPartsFactory() = default;
    // A model bound to the camera, not observing the shared device preference,
    // not started.
    virtual std::unique_ptr<PanelCamera> makeCamera(const QString& cameraDeviceID) = 0;
    // The content for a camera's panel (its widget is owned by the panel).
    virtual PanelContent* makeContent(const QString& cameraDeviceID, PanelCamera& camera) = 0;
};

}  // namespace mirelon
