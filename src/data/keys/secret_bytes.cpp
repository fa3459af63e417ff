#include "data/keys/secret_bytes.h"

#include <new>
#include <sodium.h>
#include <utility>

SecretBytes::SecretBytes(qsizetype size) : m_size(size)
{
    if (size == 0)
        return;
    if (sodium_init() < 0)
        throw std::bad_alloc();
    m_data = static_cast<char *>(sodium_malloc(size_t(size)));
    if (!m_data)
        throw std::bad_alloc();
    sodium_memzero(m_data, size_t(size));
}

SecretBytes SecretBytes::copyOf(const char *data, qsizetype size)
{
    SecretBytes secret(size);
    if (size > 0)
        memcpy(secret.m_data, data, size_t(size));
    return secret;
}

SecretBytes SecretBytes::utf8Of(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    SecretBytes secret = copyOf(utf8);
    wipe(utf8);
    return secret;
}

SecretBytes::~SecretBytes()
{
    if (m_data)
        sodium_free(m_data); // wipes first
}

SecretBytes::SecretBytes(SecretBytes &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{
}

SecretBytes &SecretBytes::operator=(SecretBytes &&other) noexcept
{
    if (this != &other) {
        if (m_data)
            sodium_free(m_data);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

bool SecretBytes::operator==(const SecretBytes &other) const
{
    return m_size == other.m_size && (m_size == 0 || sodium_memcmp(m_data, other.m_data, size_t(m_size)) == 0);
}

void wipe(QByteArray &bytes)
{
    if (!bytes.isEmpty())
        sodium_memzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}

void wipe(QString &text)
{
    if (!text.isEmpty())
        sodium_memzero(text.data(), size_t(text.size()) * sizeof(QChar));
    text.clear();
}
