#pragma once

#include "platform/web_engine.h"

#include <QDialog>

#include <functional>

// Warns that a site's certificate cannot be trusted. "Back to safety" (the
// default) refuses it; "Proceed anyway", offered only where the engine
// allows it, accepts it for this run. Nothing loads until one is chosen. It
// closes by itself when the page is left.
class CertificateDialog : public QDialog {
    Q_OBJECT
public:
    CertificateDialog(QWidget *parent, const WebEngine::CertificateProblem &problem);

    // Opens the dialog (not blocking) and answers through `answer` once.
    static void ask(QWidget *parent, WebEngine &engine, const WebEngine::CertificateProblem &problem,
                    std::function<void(bool proceed)> answer);
};
