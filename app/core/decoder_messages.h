// What Qt's image readers say while they read a file. They report some damage only as messages
// of their logging categories (qt.gui.imageio, qt.gui.imageio.jpeg, ...): libjpeg's "Corrupt
// JPEG data: ..." warnings, the XPM reader's missing pixels. A DecoderMessages object collects
// those messages for the thread that made it, for as long as it lives, so a read on one thread
// never sees another thread's messages (wsqconvert reads several files at once). Every message,
// collected or not, still goes on to the handler that was installed before.
//
// Qt hands a message to the handler only when its category is enabled: with the image readers'
// warnings switched off (QT_LOGGING_RULES), nothing is collected.
#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

class DecoderMessages {
public:
    struct Message {
        QtMsgType type = QtDebugMsg;
        QString category;
        QString text;
    };

    DecoderMessages();
    ~DecoderMessages();
    DecoderMessages(const DecoderMessages&) = delete;
    DecoderMessages& operator=(const DecoderMessages&) = delete;

    // The image readers' messages on this thread since the object was made, oldest first.
    const std::vector<Message>& messages() const { return m_messages; }

private:
    friend void collectDecoderMessage(QtMsgType, const QMessageLogContext&, const QString&);

    std::vector<Message> m_messages;
    DecoderMessages* m_outer = nullptr;  // the collector this one hides on the same thread
};
