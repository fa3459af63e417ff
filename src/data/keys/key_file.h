#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// data.mdb is encrypted with a random data key that never touches the disk in the clear. The
// key file beside it (X.mdb has X.key) holds that key wrapped twice: under a key derived from
// the access password and under one derived from the recovery key (Argon2id, then
// XChaCha20-Poly1305). Changing the password rewrites only the key file.

inline constexpr int DataKeySize = 32;
// What SECURITY.PASSWORD holds: the password itself is kept nowhere.
inline const QString StoredPasswordMarker = QStringLiteral("KEYFILE");

QString keyFilePathFor(const QString &dataFile);

QByteArray newDataKey();
// 24 characters in six groups of four ("7KQ2-…"), from a 32-letter alphabet without 0/O, 1/I/L.
QString newRecoveryKey();
// The text as the engine takes a raw key: x'…' with 64 hexadecimal digits.
QByteArray engineKeyFor(const QByteArray &dataKey);

class KeyFile {
public:
    enum class Slot { Password, Recovery };

    static KeyFile parse(const QByteArray &bytes, const QString &path); // throws DbError
    static KeyFile load(const QString &path);
    QByteArray toBytes() const;
    void save(const QString &path, bool replace) const; // atomic, private

    // Wraps `dataKey` under `secret` in the slot, replacing what the slot held.
    void wrap(Slot slot, const QByteArray &dataKey, const QString &secret);
    // The data key, or an empty array when `secret` does not open the slot.
    QByteArray unwrap(Slot slot, const QString &secret) const;
    bool has(Slot slot) const;

private:
    struct Wrapped {
        Slot slot;
        quint64 opsLimit;
        quint64 memLimit;
        QByteArray salt, nonce, box;
    };
    const Wrapped *find(Slot slot) const;
    QList<Wrapped> m_slots;
};

// The data key of `dataFile` opened by `secret`, the access password or the recovery key
// (trimmed). Unwrapping is slow by design, so a secret that opened a key file once in this
// process opens it again at once. Throws DbError: the key file missing, or a wrong secret.
QByteArray unlockDataKey(const QString &dataFile, const QString &secret);
bool unlocks(const QString &dataFile, const QString &secret);

// A new practice: the key file of `dataFile` with `dataKey` under the password, no recovery key.
void writeNewKeyFile(const QString &dataFile, const QByteArray &dataKey, const QString &password);

// Wraps the data key that `secret` opens under `newPassword`; with `newRecovery`, also under a
// new recovery key, which is returned (and kept nowhere). data.mdb is not touched.
QString rewrapDataKey(const QString &dataFile, const QString &secret, const QString &newPassword, bool newRecovery);
