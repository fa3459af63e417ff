#pragma once

#include <QByteArray>
#include <QString>

// Bytes of a key or a secret text, kept where they cannot be swapped to disk and wiped when
// they go (sodium_malloc / sodium_free): never in an ordinary QByteArray that lives for the run.
class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(qsizetype size); // zeroed
    static SecretBytes copyOf(const char *data, qsizetype size);
    static SecretBytes copyOf(const QByteArray &bytes) { return copyOf(bytes.constData(), bytes.size()); }
    static SecretBytes utf8Of(const QString &text); // the text as UTF-8, with no ordinary copy left
    ~SecretBytes();
    SecretBytes(SecretBytes &&other) noexcept;
    SecretBytes &operator=(SecretBytes &&other) noexcept;
    SecretBytes(const SecretBytes &) = delete;
    SecretBytes &operator=(const SecretBytes &) = delete;
    SecretBytes copy() const { return copyOf(constData(), size()); }

    char *data() { return m_data; }
    const char *constData() const { return m_data ? m_data : ""; }
    const unsigned char *bytes() const { return reinterpret_cast<const unsigned char *>(constData()); }
    unsigned char *bytes() { return reinterpret_cast<unsigned char *>(m_data); }
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    bool operator==(const SecretBytes &other) const; // in constant time

private:
    char *m_data = nullptr;
    qsizetype m_size = 0;
};

// Wipes an ordinary temporary that held a secret.
void wipe(QByteArray &bytes);
void wipe(QString &text);
