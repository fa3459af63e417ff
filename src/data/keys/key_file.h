#pragma once

#include "data/keys/secret_bytes.h"

#include <QByteArray>
#include <QList>
#include <QString>

// data.mdb is encrypted with a random data key that never touches the disk in the clear. The
// key file beside it (X.mdb has X.key) holds that key wrapped under a key derived from the
// access password (Argon2id, then XChaCha20-Poly1305) and sealed to the recovery key's public
// key (Argon2id seed, X25519 sealed box). Sealing needs no secret, so a new data key stays
// reachable by the recovery key the practice already keeps on paper.

inline constexpr int DataKeySize = 32;
// What SECURITY.PASSWORD holds: the password itself is kept nowhere.
inline const QString StoredPasswordMarker = QStringLiteral("KEYFILE");

QString keyFilePathFor(const QString &dataFile);

SecretBytes newDataKey();
// 24 characters in six groups of four ("7KQ2-…"), from a 31-letter alphabet without 0/O, 1/I/L.
QString newRecoveryKey();
// The text as the engine takes a raw key: x'…' with 64 hexadecimal digits.
SecretBytes engineKeyFor(const SecretBytes &dataKey);
// Names a data key without giving it away: a key file and a data file made for each other agree.
QByteArray dataKeyIdOf(const SecretBytes &dataKey);

class KeyFile {
public:
    enum class Slot { Password,
                      Recovery,
                      PendingRecovery };
    // Whose password the password slot holds: a public one asks for the practice's own first.
    enum class PasswordState { Own,
                               FactoryDefault,
                               FromOldLayout };
    // Larger files are refused unread: a key file holds a few short lines.
    static constexpr qint64 MaxBytes = 4096;

    static KeyFile parse(const QByteArray &bytes, const QString &path); // throws DbError
    static KeyFile load(const QString &path);
    QByteArray toBytes() const;
    void save(const QString &path, bool replace) const; // atomic, private

    // A key file for `dataKey`, wrapped under `password`, without a recovery key.
    static KeyFile forDataKey(const SecretBytes &dataKey, const QString &password, PasswordState state);
    // The same recovery keys for a new data key; a recovery slot that cannot be sealed again
    // (written before sealing) is dropped.
    KeyFile withNewDataKey(const SecretBytes &dataKey, const QString &password) const;

    void wrapPassword(const SecretBytes &dataKey, const QString &password, PasswordState state);
    // Seals `dataKey` for `recoveryKey` in a recovery slot, replacing what the slot held.
    void sealRecovery(Slot slot, const SecretBytes &dataKey, const QString &recoveryKey);
    // The pending recovery key becomes the one that counts; the previous one stops working.
    void confirmPendingRecovery();
    // The data key, or empty when `secret` does not open the slot.
    SecretBytes unwrap(Slot slot, const QString &secret) const;
    bool has(Slot slot) const;
    PasswordState passwordState() const { return m_passwordState; }
    QByteArray dataKeyId() const { return m_dataKeyId; } // empty in key files of the first version

private:
    struct Wrapped {
        Slot slot;
        bool sealed; // sealed to a public key; otherwise wrapped under a derived key
        quint64 opsLimit;
        quint64 memLimit;
        QByteArray salt, nonceOrPublicKey, box;
        QByteArray header; // the key file version its box is bound to
    };
    const Wrapped *find(Slot slot) const;
    void put(const Wrapped &wrapped);
    void seal(Wrapped &slot, const SecretBytes &dataKey) const;

    PasswordState m_passwordState = PasswordState::Own;
    QByteArray m_dataKeyId;
    QList<Wrapped> m_slots;
};

// The factory default is told as such; any other password is `otherwise`.
KeyFile::PasswordState passwordStateFor(const QString &password,
                                        KeyFile::PasswordState otherwise = KeyFile::PasswordState::Own);

// The data key of `dataFile` opened by `secret`: the access password, the recovery key or a
// session of this process (trimmed). Unwrapping is slow by design, so a secret that opened a
// key file once in this process opens it again at once. Throws DbError: the key file missing
// or damaged, or a wrong secret.
SecretBytes unlockDataKey(const QString &dataFile, const QString &secret);
bool unlocks(const QString &dataFile, const QString &secret);

// A session: a text that stands for the unlocked data key of `dataFile` in this process only,
// so that neither the password nor the key need travel in connection strings. It cannot be a
// password (it holds a character that passwords may not hold).
QString openSession(const QString &dataFile, const QString &secret);
bool isSession(const QString &secret);
// After the data key changed: the session stands for the new one.
void renewSession(const QString &session, const SecretBytes &dataKey);

// A seat of a server practice: a session that stands for the seat's role password on the server
// `uri`, kept in locked memory for this process only, as a file's session stands for its key.
QString openServerSession(const QString &uri, const QString &password);
// What a connection to `uri` gives the server as the password: the one a server session of this
// process stands for, or `secret` itself. Throws DbError (WrongPassword) for a session that is
// not one of `uri`.
SecretBytes serverPassword(const QString &uri, const QString &secret);
// After the role's password changed on the server: the session stands for the new one.
void renewServerSession(const QString &session, const QString &password);

// A new practice: the key file of `dataFile` with `dataKey` under the password, no recovery key.
void writeNewKeyFile(const QString &dataFile, const SecretBytes &dataKey, const QString &password,
                     KeyFile::PasswordState state);
// Remembers that `secret` opens the key file of `dataFile` as it is now, without a derivation.
void rememberUnlocked(const QString &dataFile, const QString &secret, const SecretBytes &dataKey);

// The same data key under `newPassword`: only the key file is rewritten.
void changePassword(const QString &dataFile, const QString &secret, const QString &newPassword);
// A new recovery key, sealed in the pending slot and returned (kept nowhere): it counts only
// once confirmed, until then the previous one (if any) stands.
QString addPendingRecoveryKey(const QString &dataFile, const QString &secret);
void confirmRecoveryKey(const QString &dataFile);
// The state of the key file for the start-up: a public password, no confirmed recovery key.
KeyFile::PasswordState passwordStateOf(const QString &dataFile);
bool hasRecoveryKey(const QString &dataFile);
// A key file of the first version is written again in the present one, which tells its
// password state without a derivation.
void upgradeKeyFile(const QString &dataFile, const QString &password);
