#include "decoder_messages.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr char kImageReaderCategory[] = "qt.gui.imageio";

// The handler is installed while at least one collector lives, on any thread. Qt may call it
// from several threads at once: it reads only this thread's collector and the handler before.
std::mutex g_installLock;
int g_collectors = 0;
std::atomic<QtMessageHandler> g_previousHandler{nullptr};
thread_local DecoderMessages* t_collector = nullptr;
// Set while this thread is inside the handler: a handler installed after ours that hands its
// messages back to ours must not make them go round for ever.
thread_local bool t_handling = false;

bool fromImageReader(const char* category) {
    return category != nullptr &&
           std::strncmp(category, kImageReaderCategory, sizeof kImageReaderCategory - 1) == 0;
}

}  // namespace

void collectDecoderMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (t_handling) return;
    t_handling = true;
    struct Done {
        ~Done() { t_handling = false; }
    } done;
    if (DecoderMessages* collector = t_collector; collector && fromImageReader(context.category))
        collector->m_messages.push_back({type, QString::fromLatin1(context.category), text});
    if (const QtMessageHandler previous = g_previousHandler.load()) previous(type, context, text);
}

DecoderMessages::DecoderMessages() {
    {
        const std::lock_guard<std::mutex> lock(g_installLock);
        if (g_collectors++ == 0) g_previousHandler = qInstallMessageHandler(collectDecoderMessage);
    }
    m_outer = t_collector;
    t_collector = this;
}

DecoderMessages::~DecoderMessages() {
    t_collector = m_outer;
    const std::lock_guard<std::mutex> lock(g_installLock);
    if (--g_collectors == 0) {
        // Put back the handler from before, unless someone installed another one meanwhile: that
        // one stays (and hands its messages wherever it does).
        const QtMessageHandler current = qInstallMessageHandler(g_previousHandler.load());
        if (current != collectDecoderMessage) qInstallMessageHandler(current);
    }
}
