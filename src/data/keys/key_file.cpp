#include "data/keys/key_file.h"

#include "data/db_error.h"
#include "data/keys/private_files.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <sodium.h>

namespace {

const QByteArray Header = "velmora-key 1";
const QByteArray Algorithm = "argon2id";
// Unlocking takes about 0.15 s here: slow for a guesser, unnoticed by the doctor.
constexpr quint64 OpsLimit = 3;
constexpr quint64 MemLimit = 64ull << 20;
const QString RecoveryAlphabet = QStringLiteral("23456789ABCDEFGHJKLMNPQRSTUVWXYZ");
constexpr int RecoveryLength = 24;

void ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw DbError(DbError::Kind::Other, QStringLiteral("The cryptography library could not start"));
}

QByteArray slotName(KeyFile::Slot slot)
{
    return slot == KeyFile::Slot::Password ? "password" : "recovery";
}

// The derived wrapping key; wiped by the caller.
QByteArray wrappingKey(const QString &secret, const QByteArray &salt, quint64 opsLimit, quint64 memLimit)
{
    const QByteArray text = secret.toUtf8();
    QByteArray key(crypto_aead_xchacha20poly1305_ietf_KEYBYTES, '\0');
    if (crypto_pwhash(reinterpret_cast<unsigned char *>(key.data()), quint64(key.size()), text.constData(),
                      quint64(text.size()), reinterpret_cast<const unsigned char *>(salt.constData()), opsLimit,
                      size_t(memLimit), crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw DbError(DbError::Kind::Other, QStringLiteral("Not enough memory to open the key file"));
    return key;
}

void wipe(QByteArray &bytes)
{
    sodium_memzero(bytes.data(), size_t(bytes.size()));
}

// The recovery key as it was made (no groups, capitals), or empty when the text cannot be one.
QString canonicalRecoveryKey(const QString &text)
{
    QString key;
    for (const QChar c : text.toUpper()) {
        if (c == QLatin1Char('-') || c.isSpace())
            continue;
        if (!RecoveryAlphabet.contains(c))
            return {};
        key += c;
    }
    return key.size() == RecoveryLength ? key : QString();
}

QHash<QByteArray, QByteArray> &unlockedKeys()
{
    static QHash<QByteArray, QByteArray> keys;
    return keys;
}

// Where a secret that opened these key-file bytes is remembered: a keyed hash, so that the
// process never keeps the secret itself for this.
QByteArray cacheEntry(const QByteArray &keyFileBytes, const QString &secret)
{
    static const QByteArray processKey = [] {
        QByteArray key(crypto_generichash_KEYBYTES, '\0');
        randombytes_buf(key.data(), size_t(key.size()));
        return key;
    }();
    const QByteArray message = keyFileBytes + '\0' + secret.toUtf8();
    QByteArray digest(crypto_generichash_BYTES, '\0');
    crypto_generichash(reinterpret_cast<unsigned char *>(digest.data()), size_t(digest.size()),
                       reinterpret_cast<const unsigned char *>(message.constData()), quint64(message.size()),
                       reinterpret_cast<const unsigned char *>(processKey.constData()), size_t(processKey.size()));
    return digest;
}

QByteArray readKeyFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            throw DbError(DbError::Kind::FileNotFound, QStringLiteral("Could not find file '%1'").arg(path));
        throw DbError(DbError::Kind::Other, QStringLiteral("Could not read the file '%1'").arg(path));
    }
    return file.readAll();
}

} // namespace

QString keyFilePathFor(const QString &dataFile)
{
    if (dataFile.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive))
        return dataFile.left(dataFile.size() - 4) + QStringLiteral(".key");
    return dataFile + QStringLiteral(".key");
}

QByteArray newDataKey()
{
    ensureSodium();
    QByteArray key(DataKeySize, '\0');
    randombytes_buf(key.data(), size_t(key.size()));
    return key;
}

QString newRecoveryKey()
{
    ensureSodium();
    QString key;
    for (int i = 0; i < RecoveryLength; ++i) {
        if (i > 0 && i % 4 == 0)
            key += QLatin1Char('-');
        key += RecoveryAlphabet.at(int(randombytes_uniform(uint32_t(RecoveryAlphabet.size()))));
    }
    return key;
}

QByteArray engineKeyFor(const QByteArray &dataKey)
{
    return "x'" + dataKey.toHex().toUpper() + "'";
}

KeyFile KeyFile::parse(const QByteArray &bytes, const QString &path)
{
    const auto damaged = [&path] {
        return DbError(DbError::Kind::Other, QStringLiteral("The key file '%1' is damaged").arg(path));
    };
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != Header) {
        if (lines.value(0).startsWith("velmora-key "))
            throw DbError(DbError::Kind::Other,
                          QStringLiteral("The key file '%1' was written by a newer version of the program").arg(path));
        throw damaged();
    }
    KeyFile file;
    for (const QByteArray &line : lines.mid(1)) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (line.trimmed().isEmpty())
            continue;
        if (f.size() != 7 || f[1] != Algorithm || (f[0] != "password" && f[0] != "recovery"))
            throw damaged();
        Wrapped w{f[0] == "password" ? Slot::Password : Slot::Recovery, f[2].toULongLong(), f[3].toULongLong(),
                  QByteArray::fromBase64(f[4]), QByteArray::fromBase64(f[5]), QByteArray::fromBase64(f[6])};
        if (w.salt.size() != crypto_pwhash_SALTBYTES || w.nonce.size() != crypto_aead_xchacha20poly1305_ietf_NPUBBYTES ||
            w.box.size() != DataKeySize + crypto_aead_xchacha20poly1305_ietf_ABYTES || w.opsLimit < 1 ||
            w.opsLimit > 64 || w.memLimit < 8192 || w.memLimit > (1ull << 30) || file.find(w.slot))
            throw damaged();
        file.m_slots << w;
    }
    if (!file.has(Slot::Password))
        throw damaged();
    return file;
}

KeyFile KeyFile::load(const QString &path)
{
    return parse(readKeyFile(path), path);
}

QByteArray KeyFile::toBytes() const
{
    QByteArray bytes = Header + '\n';
    for (const Wrapped &w : m_slots)
        bytes += slotName(w.slot) + ' ' + Algorithm + ' ' + QByteArray::number(w.opsLimit) + ' ' +
                 QByteArray::number(w.memLimit) + ' ' + w.salt.toBase64() + ' ' + w.nonce.toBase64() + ' ' +
                 w.box.toBase64() + '\n';
    return bytes;
}

void KeyFile::save(const QString &path, bool replace) const
{
    writePrivateFile(path, toBytes(), replace ? Replace::Yes : Replace::No);
}

const KeyFile::Wrapped *KeyFile::find(Slot slot) const
{
    for (const Wrapped &w : m_slots)
        if (w.slot == slot)
            return &w;
    return nullptr;
}

bool KeyFile::has(Slot slot) const
{
    return find(slot) != nullptr;
}

void KeyFile::wrap(Slot slot, const QByteArray &dataKey, const QString &secret)
{
    ensureSodium();
    Wrapped w{slot, OpsLimit, MemLimit, QByteArray(crypto_pwhash_SALTBYTES, '\0'),
              QByteArray(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, '\0'),
              QByteArray(DataKeySize + crypto_aead_xchacha20poly1305_ietf_ABYTES, '\0')};
    randombytes_buf(w.salt.data(), size_t(w.salt.size()));
    randombytes_buf(w.nonce.data(), size_t(w.nonce.size()));
    QByteArray key = wrappingKey(secret, w.salt, w.opsLimit, w.memLimit);
    const QByteArray associated = Header + ' ' + slotName(slot); // a box moved to the other slot fails
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        reinterpret_cast<unsigned char *>(w.box.data()), nullptr, reinterpret_cast<const unsigned char *>(dataKey.constData()),
        quint64(dataKey.size()), reinterpret_cast<const unsigned char *>(associated.constData()), quint64(associated.size()),
        nullptr, reinterpret_cast<const unsigned char *>(w.nonce.constData()),
        reinterpret_cast<const unsigned char *>(key.constData()));
    wipe(key);
    m_slots.removeIf([slot](const Wrapped &old) { return old.slot == slot; });
    m_slots << w;
    std::sort(m_slots.begin(), m_slots.end(), [](const Wrapped &a, const Wrapped &b) { return a.slot < b.slot; });
}

QByteArray KeyFile::unwrap(Slot slot, const QString &secret) const
{
    ensureSodium();
    const Wrapped *w = find(slot);
    if (!w)
        return {};
    QByteArray key = wrappingKey(secret, w->salt, w->opsLimit, w->memLimit);
    const QByteArray associated = Header + ' ' + slotName(slot);
    QByteArray dataKey(DataKeySize, '\0');
    const bool opened =
        crypto_aead_xchacha20poly1305_ietf_decrypt(
            reinterpret_cast<unsigned char *>(dataKey.data()), nullptr, nullptr,
            reinterpret_cast<const unsigned char *>(w->box.constData()), quint64(w->box.size()),
            reinterpret_cast<const unsigned char *>(associated.constData()), quint64(associated.size()),
            reinterpret_cast<const unsigned char *>(w->nonce.constData()),
            reinterpret_cast<const unsigned char *>(key.constData())) == 0;
    wipe(key);
    return opened ? dataKey : QByteArray();
}

QByteArray unlockDataKey(const QString &dataFile, const QString &secret)
{
    const QString keyPath = keyFilePathFor(dataFile);
    const QByteArray bytes = readKeyFile(keyPath);
    const QString trimmed = secret.trimmed();
    const QByteArray entry = cacheEntry(bytes, trimmed);
    if (const auto found = unlockedKeys().constFind(entry); found != unlockedKeys().constEnd())
        return *found;
    const KeyFile file = KeyFile::parse(bytes, keyPath);
    QByteArray dataKey = file.unwrap(KeyFile::Slot::Password, trimmed);
    if (dataKey.isEmpty()) {
        // Dashes are never in a password, so only a text that can be a recovery key costs a second try.
        if (const QString recovery = canonicalRecoveryKey(trimmed); !recovery.isEmpty())
            dataKey = file.unwrap(KeyFile::Slot::Recovery, recovery);
    }
    if (dataKey.isEmpty())
        throw DbError(DbError::Kind::WrongPassword, QStringLiteral("Not a valid password for '%1'").arg(dataFile));
    unlockedKeys().insert(entry, dataKey);
    return dataKey;
}

bool unlocks(const QString &dataFile, const QString &secret)
{
    try {
        unlockDataKey(dataFile, secret);
        return true;
    } catch (const DbError &error) {
        if (error.kind() == DbError::Kind::WrongPassword)
            return false;
        throw;
    }
}

void writeNewKeyFile(const QString &dataFile, const QByteArray &dataKey, const QString &password)
{
    KeyFile file;
    file.wrap(KeyFile::Slot::Password, dataKey, password.trimmed());
    file.save(keyFilePathFor(dataFile), false);
}

QString rewrapDataKey(const QString &dataFile, const QString &secret, const QString &newPassword, bool newRecovery)
{
    const QByteArray dataKey = unlockDataKey(dataFile, secret);
    const QString keyPath = keyFilePathFor(dataFile);
    KeyFile file = KeyFile::load(keyPath);
    file.wrap(KeyFile::Slot::Password, dataKey, newPassword.trimmed());
    QString recovery;
    if (newRecovery) {
        recovery = newRecoveryKey();
        file.wrap(KeyFile::Slot::Recovery, dataKey, canonicalRecoveryKey(recovery));
    }
    file.save(keyPath, true);
    // The new password opens the new file at once, without a second derivation.
    unlockedKeys().insert(cacheEntry(file.toBytes(), newPassword.trimmed()), dataKey);
    return recovery;
}
