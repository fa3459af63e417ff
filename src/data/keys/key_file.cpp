#include "data/keys/key_file.h"

#include "data/db_error.h"
#include "data/global.h"
#include "data/keys/private_files.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <memory>
#include <sodium.h>

namespace {

const QByteArray Header = "velmora-key 2";
const QByteArray FirstHeader = "velmora-key 1"; // read, never written
const QByteArray Wrapping = "argon2id";
const QByteArray WrappingOfFirstVersion = "argon2id-v1"; // its box bound to the first header
const QByteArray Sealing = "argon2id-x25519";
// Unlocking takes about 0.15 s here: slow for a guesser, unnoticed by the doctor.
constexpr quint64 OpsLimit = 3;
constexpr quint64 MemLimit = 64ull << 20;
// What a key file may ask of a derivation: beyond it, a file made to stall the program.
constexpr quint64 MinOps = 1, MaxOps = 10;
constexpr quint64 MinMem = 8ull << 20, MaxMem = 256ull << 20;
const QString RecoveryAlphabet = QStringLiteral("23456789ABCDEFGHJKMNPQRSTUVWXYZ");
// Sheets printed before L was left out are still read.
const QString ReadableRecoveryLetters = RecoveryAlphabet + QLatin1Char('L');
constexpr int RecoveryLength = 24;
// Sessions start with a character that no password holds.
const QString SessionPrefix = QStringLiteral("session:");

void ensureSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw DbError(DbError::Kind::Other, QStringLiteral("The cryptography library could not start"));
}

QByteArray slotName(KeyFile::Slot slot)
{
    switch (slot) {
    case KeyFile::Slot::Password: return "password";
    case KeyFile::Slot::Recovery: return "recovery";
    case KeyFile::Slot::PendingRecovery: return "pending-recovery";
    }
    return {};
}

QByteArray stateName(KeyFile::PasswordState state)
{
    switch (state) {
    case KeyFile::PasswordState::Own: return "own";
    case KeyFile::PasswordState::FactoryDefault: return "factory-default";
    case KeyFile::PasswordState::FromOldLayout: return "from-old-layout";
    }
    return {};
}

DbError damaged(const QString &path)
{
    return DbError(DbError::Kind::DamagedKeyFile, QStringLiteral("The key file '%1' is damaged").arg(path));
}

// The derived key of a secret; `size` bytes.
SecretBytes derived(const QString &secret, const QByteArray &salt, quint64 opsLimit, quint64 memLimit, qsizetype size)
{
    const SecretBytes text = SecretBytes::utf8Of(secret);
    SecretBytes key(size);
    if (crypto_pwhash(key.bytes(), quint64(size), text.constData(), quint64(text.size()),
                      reinterpret_cast<const unsigned char *>(salt.constData()), opsLimit, size_t(memLimit),
                      crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw DbError(DbError::Kind::Other, QStringLiteral("Not enough memory to open the key file"));
    return key;
}

// The recovery key as it was made (no groups, capitals), or empty when the text cannot be one.
// Greek capitals that look like Latin ones, typed on a Greek layout, are read as those.
QString canonicalRecoveryKey(const QString &text)
{
    static const QString greek = QStringLiteral("ΑΒΕΖΗΚΜΝΡΤΥΧ");
    static const QString latin = QStringLiteral("ABEZHKMNPTYX");
    QString key;
    for (QChar c : text.toUpper()) {
        if (c == QLatin1Char('-') || c.isSpace())
            continue;
        if (const auto at = greek.indexOf(c); at >= 0)
            c = latin.at(at);
        if (!ReadableRecoveryLetters.contains(c))
            return {};
        key += c;
    }
    return key.size() == RecoveryLength ? key : QString();
}

// Data keys this process has unlocked, by a keyed hash of the key file and the secret, so that
// the secret itself is kept nowhere for this.
std::unordered_map<QByteArray, std::unique_ptr<SecretBytes>> &unlockedKeys()
{
    static std::unordered_map<QByteArray, std::unique_ptr<SecretBytes>> keys;
    return keys;
}

const SecretBytes &processKey()
{
    static const SecretBytes key = [] {
        ensureSodium();
        SecretBytes bytes(crypto_generichash_KEYBYTES);
        randombytes_buf(bytes.data(), size_t(bytes.size()));
        return bytes;
    }();
    return key;
}

QByteArray cacheEntry(const QByteArray &keyFileBytes, const QString &secret)
{
    const SecretBytes text = SecretBytes::utf8Of(secret);
    crypto_generichash_state state;
    crypto_generichash_init(&state, processKey().bytes(), size_t(processKey().size()), crypto_generichash_BYTES);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>(keyFileBytes.constData()),
                              quint64(keyFileBytes.size()));
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char *>("\0"), 1);
    crypto_generichash_update(&state, text.bytes(), quint64(text.size()));
    QByteArray digest(crypto_generichash_BYTES, '\0');
    crypto_generichash_final(&state, reinterpret_cast<unsigned char *>(digest.data()), size_t(digest.size()));
    return digest;
}

struct Session {
    QString dataFile;                     // or a server's URI
    std::unique_ptr<SecretBytes> dataKey; // or, for a server, the seat's role password
};
QHash<QString, std::shared_ptr<Session>> &sessions()
{
    static QHash<QString, std::shared_ptr<Session>> all;
    return all;
}

// A new session of this process for `source` (a data file, or a server), standing for `secret`.
QString addSession(const QString &source, SecretBytes secret)
{
    auto session = std::make_shared<Session>();
    session->dataFile = source;
    session->dataKey = std::make_unique<SecretBytes>(std::move(secret));
    QByteArray random(16, '\0');
    randombytes_buf(random.data(), size_t(random.size()));
    const QString name = SessionPrefix + QString::fromLatin1(random.toHex());
    sessions().insert(name, session);
    return name;
}

QByteArray readKeyFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            throw DbError(DbError::Kind::FileNotFound, QStringLiteral("Could not find file '%1'").arg(path));
        throw DbError(DbError::Kind::Other, QStringLiteral("Could not read the file '%1'").arg(path));
    }
    if (file.size() > KeyFile::MaxBytes)
        throw damaged(path);
    QByteArray bytes = file.read(KeyFile::MaxBytes + 1);
    if (bytes.size() > KeyFile::MaxBytes)
        throw damaged(path);
    return bytes;
}

SecretBytes unlockWithFile(const QByteArray &bytes, const QString &keyPath, const QString &secret)
{
    const KeyFile file = KeyFile::parse(bytes, keyPath);
    SecretBytes dataKey = file.unwrap(KeyFile::Slot::Password, secret);
    if (dataKey.isEmpty()) {
        // Dashes are never in a password, so only a text that can be a recovery key costs a second try.
        if (const QString recovery = canonicalRecoveryKey(secret); !recovery.isEmpty())
            dataKey = file.unwrap(KeyFile::Slot::Recovery, recovery);
    }
    if (!dataKey.isEmpty() && !file.dataKeyId().isEmpty() && dataKeyIdOf(dataKey) != file.dataKeyId())
        throw damaged(keyPath);
    return dataKey;
}

} // namespace

QString keyFilePathFor(const QString &dataFile)
{
    if (dataFile.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive))
        return dataFile.left(dataFile.size() - 4) + QStringLiteral(".key");
    return dataFile + QStringLiteral(".key");
}

SecretBytes newDataKey()
{
    ensureSodium();
    SecretBytes key(DataKeySize);
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

SecretBytes engineKeyFor(const SecretBytes &dataKey)
{
    SecretBytes text(2 * dataKey.size() + 3);
    text.data()[0] = 'x';
    text.data()[1] = '\'';
    static const char hex[] = "0123456789ABCDEF";
    for (qsizetype i = 0; i < dataKey.size(); ++i) {
        text.data()[2 + 2 * i] = hex[dataKey.bytes()[i] >> 4];
        text.data()[3 + 2 * i] = hex[dataKey.bytes()[i] & 15];
    }
    text.data()[text.size() - 1] = '\'';
    return text;
}

QByteArray dataKeyIdOf(const SecretBytes &dataKey)
{
    ensureSodium();
    static const QByteArray context = "velmora data key id";
    QByteArray id(16, '\0');
    crypto_generichash(reinterpret_cast<unsigned char *>(id.data()), size_t(id.size()),
                       reinterpret_cast<const unsigned char *>(context.constData()), quint64(context.size()),
                       dataKey.bytes(), size_t(dataKey.size()));
    return id;
}

KeyFile KeyFile::parse(const QByteArray &bytes, const QString &path)
{
    if (bytes.size() > MaxBytes)
        throw damaged(path);
    const QList<QByteArray> lines = bytes.split('\n');
    const QByteArray header = lines.value(0).trimmed();
    if (header != Header && header != FirstHeader) {
        if (header.startsWith("velmora-key "))
            throw DbError(DbError::Kind::Other,
                          QStringLiteral("The key file '%1' was written by a newer version of the program").arg(path));
        throw damaged(path);
    }
    KeyFile file;
    for (const QByteArray &line : lines.mid(1)) {
        if (line.trimmed().isEmpty())
            continue;
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() == 2 && f[0] == "data-key-id" && file.m_dataKeyId.isEmpty()) {
            file.m_dataKeyId = QByteArray::fromBase64(f[1]);
            if (file.m_dataKeyId.size() != 16)
                throw damaged(path);
            continue;
        }
        if (f.size() == 2 && f[0] == "password-state") {
            if (f[1] == stateName(PasswordState::FactoryDefault))
                file.m_passwordState = PasswordState::FactoryDefault;
            else if (f[1] == stateName(PasswordState::FromOldLayout))
                file.m_passwordState = PasswordState::FromOldLayout;
            else if (f[1] != stateName(PasswordState::Own))
                throw damaged(path);
            continue;
        }
        if (f.size() != 7)
            throw damaged(path);
        Wrapped w{Slot::Password, f[1] == Sealing, f[2].toULongLong(), f[3].toULongLong(),
                  QByteArray::fromBase64(f[4]), QByteArray::fromBase64(f[5]), QByteArray::fromBase64(f[6]),
                  f[1] == WrappingOfFirstVersion ? FirstHeader : header};
        if (f[0] == slotName(Slot::Recovery))
            w.slot = Slot::Recovery;
        else if (f[0] == slotName(Slot::PendingRecovery))
            w.slot = Slot::PendingRecovery;
        else if (f[0] != slotName(Slot::Password))
            throw damaged(path);
        const bool knownWay = f[1] == Wrapping || (f[1] == WrappingOfFirstVersion && header == Header) ||
                              (f[1] == Sealing && w.slot != Slot::Password);
        const qsizetype boxSize = w.sealed ? DataKeySize + crypto_box_SEALBYTES
                                           : DataKeySize + crypto_aead_xchacha20poly1305_ietf_ABYTES;
        const qsizetype secondSize = w.sealed ? crypto_box_PUBLICKEYBYTES : crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
        if (!knownWay || w.salt.size() != crypto_pwhash_SALTBYTES || w.nonceOrPublicKey.size() != secondSize ||
            w.box.size() != boxSize || w.opsLimit < MinOps || w.opsLimit > MaxOps || w.memLimit < MinMem ||
            w.memLimit > MaxMem || file.find(w.slot))
            throw damaged(path);
        file.m_slots << w;
    }
    if (!file.has(Slot::Password))
        throw damaged(path);
    return file;
}

KeyFile KeyFile::load(const QString &path)
{
    return parse(readKeyFile(path), path);
}

QByteArray KeyFile::toBytes() const
{
    QByteArray bytes = Header + '\n';
    if (!m_dataKeyId.isEmpty())
        bytes += "data-key-id " + m_dataKeyId.toBase64() + '\n';
    bytes += "password-state " + stateName(m_passwordState) + '\n';
    for (const Wrapped &w : m_slots)
        bytes += slotName(w.slot) + ' ' + (w.sealed ? Sealing : w.header == FirstHeader ? WrappingOfFirstVersion
                                                                                        : Wrapping) +
                 ' ' + QByteArray::number(w.opsLimit) + ' ' +
                 QByteArray::number(w.memLimit) + ' ' + w.salt.toBase64() + ' ' + w.nonceOrPublicKey.toBase64() + ' ' +
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

void KeyFile::put(const Wrapped &wrapped)
{
    m_slots.removeIf([&wrapped](const Wrapped &old) { return old.slot == wrapped.slot; });
    m_slots << wrapped;
    std::sort(m_slots.begin(), m_slots.end(), [](const Wrapped &a, const Wrapped &b) { return a.slot < b.slot; });
}

KeyFile KeyFile::forDataKey(const SecretBytes &dataKey, const QString &password, PasswordState state)
{
    KeyFile file;
    file.wrapPassword(dataKey, password, state);
    return file;
}

KeyFile KeyFile::withNewDataKey(const SecretBytes &dataKey, const QString &password) const
{
    KeyFile file = forDataKey(dataKey, password, passwordStateFor(password));
    for (Wrapped w : m_slots) {
        if (w.slot == Slot::Password || !w.sealed)
            continue;
        seal(w, dataKey);
        file.put(w);
    }
    return file;
}

void KeyFile::wrapPassword(const SecretBytes &dataKey, const QString &password, PasswordState state)
{
    ensureSodium();
    Wrapped w{Slot::Password, false, OpsLimit, MemLimit, QByteArray(crypto_pwhash_SALTBYTES, '\0'),
              QByteArray(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, '\0'),
              QByteArray(DataKeySize + crypto_aead_xchacha20poly1305_ietf_ABYTES, '\0'), Header};
    randombytes_buf(w.salt.data(), size_t(w.salt.size()));
    randombytes_buf(w.nonceOrPublicKey.data(), size_t(w.nonceOrPublicKey.size()));
    const SecretBytes key = derived(password.trimmed(), w.salt, w.opsLimit, w.memLimit,
                                    crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
    const QByteArray associated = w.header + ' ' + slotName(w.slot); // a box moved to another slot fails
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        reinterpret_cast<unsigned char *>(w.box.data()), nullptr, dataKey.bytes(), quint64(dataKey.size()),
        reinterpret_cast<const unsigned char *>(associated.constData()), quint64(associated.size()), nullptr,
        reinterpret_cast<const unsigned char *>(w.nonceOrPublicKey.constData()), key.bytes());
    put(w);
    m_passwordState = state;
    m_dataKeyId = dataKeyIdOf(dataKey);
}

void KeyFile::seal(Wrapped &slot, const SecretBytes &dataKey) const
{
    slot.box = QByteArray(DataKeySize + crypto_box_SEALBYTES, '\0');
    crypto_box_seal(reinterpret_cast<unsigned char *>(slot.box.data()), dataKey.bytes(), quint64(dataKey.size()),
                    reinterpret_cast<const unsigned char *>(slot.nonceOrPublicKey.constData()));
}

void KeyFile::sealRecovery(Slot slot, const SecretBytes &dataKey, const QString &recoveryKey)
{
    ensureSodium();
    Wrapped w{slot, true, OpsLimit, MemLimit, QByteArray(crypto_pwhash_SALTBYTES, '\0'), QByteArray(crypto_box_PUBLICKEYBYTES, '\0'), {}, Header};
    randombytes_buf(w.salt.data(), size_t(w.salt.size()));
    const SecretBytes seed =
        derived(canonicalRecoveryKey(recoveryKey), w.salt, w.opsLimit, w.memLimit, crypto_box_SEEDBYTES);
    SecretBytes secretKey(crypto_box_SECRETKEYBYTES);
    crypto_box_seed_keypair(reinterpret_cast<unsigned char *>(w.nonceOrPublicKey.data()), secretKey.bytes(), seed.bytes());
    seal(w, dataKey);
    put(w);
    if (m_dataKeyId.isEmpty())
        m_dataKeyId = dataKeyIdOf(dataKey);
}

void KeyFile::confirmPendingRecovery()
{
    for (Wrapped &w : m_slots)
        if (w.slot == Slot::PendingRecovery) {
            Wrapped confirmed = w;
            confirmed.slot = Slot::Recovery;
            m_slots.removeIf([](const Wrapped &old) { return old.slot == Slot::PendingRecovery; });
            put(confirmed);
            return;
        }
}

SecretBytes KeyFile::unwrap(Slot slot, const QString &secret) const
{
    ensureSodium();
    const Wrapped *w = find(slot);
    if (!w)
        return {};
    SecretBytes dataKey(DataKeySize);
    if (w->sealed) {
        const SecretBytes seed = derived(secret, w->salt, w->opsLimit, w->memLimit, crypto_box_SEEDBYTES);
        unsigned char publicKey[crypto_box_PUBLICKEYBYTES];
        SecretBytes secretKey(crypto_box_SECRETKEYBYTES);
        crypto_box_seed_keypair(publicKey, secretKey.bytes(), seed.bytes());
        if (sodium_memcmp(publicKey, w->nonceOrPublicKey.constData(), sizeof publicKey) != 0 ||
            crypto_box_seal_open(dataKey.bytes(), reinterpret_cast<const unsigned char *>(w->box.constData()),
                                 quint64(w->box.size()), publicKey, secretKey.bytes()) != 0)
            return {};
        return dataKey;
    }
    const SecretBytes key = derived(secret, w->salt, w->opsLimit, w->memLimit, crypto_aead_xchacha20poly1305_ietf_KEYBYTES);
    const QByteArray associated = w->header + ' ' + slotName(slot);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            dataKey.bytes(), nullptr, nullptr, reinterpret_cast<const unsigned char *>(w->box.constData()),
            quint64(w->box.size()), reinterpret_cast<const unsigned char *>(associated.constData()),
            quint64(associated.size()), reinterpret_cast<const unsigned char *>(w->nonceOrPublicKey.constData()),
            key.bytes()) != 0)
        return {};
    return dataKey;
}

KeyFile::PasswordState passwordStateFor(const QString &password, KeyFile::PasswordState otherwise)
{
    return password.trimmed() == FactoryDefaultPassword ? KeyFile::PasswordState::FactoryDefault : otherwise;
}

SecretBytes unlockDataKey(const QString &dataFile, const QString &secret)
{
    if (isSession(secret)) {
        // Good for any file whose key file names the session's data key (a backup of it too);
        // a key file changed by another program since no longer does.
        const auto session = sessions().value(secret);
        const QByteArray named = KeyFile::load(keyFilePathFor(dataFile)).dataKeyId();
        if (!session || (named.isEmpty() ? session->dataFile != dataFile : named != dataKeyIdOf(*session->dataKey)))
            throw DbError(DbError::Kind::WrongPassword, QStringLiteral("Not a valid password for '%1'").arg(dataFile));
        return session->dataKey->copy();
    }
    const QString keyPath = keyFilePathFor(dataFile);
    const QByteArray bytes = readKeyFile(keyPath);
    const QString trimmed = secret.trimmed();
    const QByteArray entry = cacheEntry(bytes, trimmed);
    if (const auto found = unlockedKeys().find(entry); found != unlockedKeys().end())
        return found->second->copy();
    SecretBytes dataKey = unlockWithFile(bytes, keyPath, trimmed);
    if (dataKey.isEmpty())
        throw DbError(DbError::Kind::WrongPassword, QStringLiteral("Not a valid password for '%1'").arg(dataFile));
    unlockedKeys()[entry] = std::make_unique<SecretBytes>(dataKey.copy());
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

QString openSession(const QString &dataFile, const QString &secret)
{
    return addSession(dataFile, unlockDataKey(dataFile, secret));
}

bool isSession(const QString &secret)
{
    return secret.startsWith(SessionPrefix);
}

void renewSession(const QString &session, const SecretBytes &dataKey)
{
    if (const auto found = sessions().value(session))
        found->dataKey = std::make_unique<SecretBytes>(dataKey.copy());
}

QString openServerSession(const QString &uri, const QString &password)
{
    return addSession(uri, SecretBytes::utf8Of(password.trimmed()));
}

SecretBytes serverPassword(const QString &uri, const QString &secret)
{
    if (!isSession(secret))
        return SecretBytes::utf8Of(secret);
    const auto session = sessions().value(secret);
    if (!session || session->dataFile != uri)
        throw DbError(DbError::Kind::WrongPassword, QStringLiteral("Not a valid password for the server"));
    return session->dataKey->copy();
}

void renewServerSession(const QString &session, const QString &password)
{
    renewSession(session, SecretBytes::utf8Of(password.trimmed()));
}

void rememberUnlocked(const QString &dataFile, const QString &secret, const SecretBytes &dataKey)
{
    if (isSession(secret))
        return;
    QFile file(keyFilePathFor(dataFile));
    if (file.open(QIODevice::ReadOnly))
        unlockedKeys()[cacheEntry(file.read(KeyFile::MaxBytes + 1), secret.trimmed())] =
            std::make_unique<SecretBytes>(dataKey.copy());
}

void writeNewKeyFile(const QString &dataFile, const SecretBytes &dataKey, const QString &password,
                     KeyFile::PasswordState state)
{
    KeyFile::forDataKey(dataKey, password, state).save(keyFilePathFor(dataFile), false);
}

void changePassword(const QString &dataFile, const QString &secret, const QString &newPassword)
{
    const SecretBytes dataKey = unlockDataKey(dataFile, secret);
    const QString keyPath = keyFilePathFor(dataFile);
    KeyFile file = KeyFile::load(keyPath);
    file.wrapPassword(dataKey, newPassword, passwordStateFor(newPassword));
    file.save(keyPath, true);
    // The new password opens the new file at once, without a second derivation.
    rememberUnlocked(dataFile, newPassword, dataKey);
}

QString addPendingRecoveryKey(const QString &dataFile, const QString &secret)
{
    const SecretBytes dataKey = unlockDataKey(dataFile, secret);
    const QString keyPath = keyFilePathFor(dataFile);
    KeyFile file = KeyFile::load(keyPath);
    const QString recovery = newRecoveryKey();
    file.sealRecovery(KeyFile::Slot::PendingRecovery, dataKey, recovery);
    file.save(keyPath, true);
    return recovery;
}

void confirmRecoveryKey(const QString &dataFile)
{
    const QString keyPath = keyFilePathFor(dataFile);
    KeyFile file = KeyFile::load(keyPath);
    if (!file.has(KeyFile::Slot::PendingRecovery))
        return;
    file.confirmPendingRecovery();
    file.save(keyPath, true);
}

KeyFile::PasswordState passwordStateOf(const QString &dataFile)
{
    const KeyFile file = KeyFile::load(keyFilePathFor(dataFile));
    // Key files of the first version did not say: the factory default is tried (one derivation).
    if (file.dataKeyId().isEmpty() && file.passwordState() == KeyFile::PasswordState::Own &&
        unlocks(dataFile, FactoryDefaultPassword))
        return KeyFile::PasswordState::FactoryDefault;
    return file.passwordState();
}

void upgradeKeyFile(const QString &dataFile, const QString &password)
{
    if (KeyFile::load(keyFilePathFor(dataFile)).dataKeyId().isEmpty())
        changePassword(dataFile, password, password);
}

bool hasRecoveryKey(const QString &dataFile)
{
    return KeyFile::load(keyFilePathFor(dataFile)).has(KeyFile::Slot::Recovery);
}
