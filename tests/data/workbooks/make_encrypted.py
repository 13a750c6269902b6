#!/usr/bin/python3
"""Writes the encrypted workbooks and zip-quirk files the reader tests load,
from workbooks already here (xlwt_basic.xls, basic_openpyxl.xlsx):

- velvet_rc4.xls, velvet_cryptoapi.xls: BIFF8 RC4 and CryptoAPI RC4
  encryption with Excel's built-in password "VelvetSweatshop";
  typed_rc4.xls the same with a password someone typed;
- velvet_standard.xlsx, velvet_agile.xlsx: ECMA-376 standard (AES-128,
  SHA-1) and agile (AES-256, SHA-512) encryption with the built-in
  password; typed_agile.xlsx with a typed one;
- backslash_names.xlsx: every part name written with "\\" for "/";
- embedded_object.xls: xlwt_basic.xls's workbook stream in the root, and an
  embedded object's storage, listed first, holding a "Workbook" stream of
  its own (third_column_empty.xls's).

Each encrypted file is checked by decrypting it again with msoffcrypto-tool
(Debian: python3-msoffcrypto-tool), written independently of this script
and of the reader. Run with the system Python:

    /usr/bin/python3 make_encrypted.py
"""
import base64
import hashlib
import hmac
import io
import os
import struct
import zipfile

import olefile
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

import biff_build

HERE = os.path.dirname(os.path.abspath(__file__))
VELVET = "VelvetSweatshop"
TYPED = "qinghe"
FILEPASS, BOUNDSHEET = 0x002F, 0x0085
PLAIN_RECORDS = {0x0809, FILEPASS, 0x0194, 0x0195, 0x00E1, 0x0196, 0x0138}


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) % 256
        s[i], s[j] = s[j], s[i]
    out, i, j = bytearray(), 0, 0
    for byte in data:
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out.append(byte ^ s[(s[i] + s[j]) % 256])
    return bytes(out)


def records(stream):
    at = 0
    while at + 4 <= len(stream):
        kind, length = struct.unpack_from("<HH", stream, at)
        yield at, kind, length
        at += 4 + length


def with_filepass(stream, body):
    """The stream with a FILEPASS record after its first BOF, and every
    sheet offset moved on by the record's size."""
    record = struct.pack("<HH", FILEPASS, len(body)) + body
    first_end = 4 + struct.unpack_from("<H", stream, 2)[0]
    out = bytearray(stream[:first_end] + record + stream[first_end:])
    for at, kind, _ in records(bytes(out)):
        if kind == BOUNDSHEET:
            offset = struct.unpack_from("<I", out, at + 4)[0]
            struct.pack_into("<I", out, at + 4, offset + len(record))
    return bytes(out)


def encrypt_records(stream, block_key):
    """XORs every record body after FILEPASS with the RC4 keystream of its
    place in the stream (a new key every 1,024 bytes); the records Excel
    leaves plain, and a sheet's offset, stay as they are."""
    out = bytearray(stream)
    keystream = b""
    for block in range(-(-len(stream) // 1024)):
        keystream += rc4(block_key(block), b"\0" * 1024)
    after_filepass = False
    for at, kind, length in records(stream):
        if after_filepass and kind not in PLAIN_RECORDS:
            first = at + 4 + (4 if kind == BOUNDSHEET else 0)
            for p in range(first, at + 4 + length):
                out[p] ^= keystream[p]
        after_filepass = after_filepass or kind == FILEPASS
    return bytes(out)


def rc4_filepass(password, salt, verifier):
    h0 = hashlib.md5(password.encode("utf-16-le")).digest()[:5]
    truncated = hashlib.md5((h0 + salt) * 16).digest()[:5]

    def block_key(block):
        return hashlib.md5(truncated + struct.pack("<I", block)).digest()

    encrypted = rc4(block_key(0), verifier + hashlib.md5(verifier).digest())
    return struct.pack("<HHH", 1, 1, 1) + salt + encrypted, block_key


def cryptoapi_filepass(password, salt, verifier, key_bits=128):
    base = hashlib.sha1(salt + password.encode("utf-16-le")).digest()

    def block_key(block):
        key = hashlib.sha1(base + struct.pack("<I", block)).digest()[:key_bits // 8]
        return key.ljust(16, b"\0") if key_bits == 40 else key

    csp = "Microsoft Enhanced Cryptographic Provider v1.0\0".encode("utf-16-le")
    header = struct.pack("<8I", 0x04, 0, 0x6801, 0x8004, key_bits, 1, 0, 0) + csp
    encrypted = rc4(block_key(0), verifier + hashlib.sha1(verifier).digest())
    body = (struct.pack("<HHHII", 1, 4, 2, 0x04, len(header)) + header + struct.pack("<I", 16) + salt +
            encrypted[:16] + struct.pack("<I", 20) + encrypted[16:])
    return body, block_key


def write_xls(name, stream, password, make_filepass):
    body, block_key = make_filepass(password, os.urandom(16), os.urandom(16))
    encrypted = encrypt_records(with_filepass(stream, body), block_key)
    path = os.path.join(HERE, name)
    with open(path, "wb") as f:
        f.write(biff_build.compound_file("Workbook", encrypted))
    check_decrypts(path, password, lambda out: same_records(out.getvalue(), stream))


def same_records(decrypted_file, stream):
    """msoffcrypto-tool blanks FILEPASS; every other record must come back
    as it was, sheet offsets apart."""
    decrypted = olefile.OleFileIO(decrypted_file).openstream("Workbook").read()

    def bodies(data):
        return [(kind, data[at + 4 + (4 if kind == BOUNDSHEET else 0):at + 4 + length])
                for at, kind, length in records(data)]

    got = bodies(decrypted)
    return got[:1] + got[2:] == bodies(stream)


def aes_cbc(key, iv, data):
    enc = Cipher(algorithms.AES(key), modes.CBC(iv)).encryptor()
    return enc.update(data) + enc.finalize()


def agile(plain, password, spin=100000):
    """EncryptionInfo and EncryptedPackage of ECMA-376 agile encryption with
    AES-256 and SHA-512, as Excel 2010 and later write them."""
    sha = hashlib.sha512
    key_salt, password_salt = os.urandom(16), os.urandom(16)
    secret, verifier, hmac_key = os.urandom(32), os.urandom(16), os.urandom(64)

    h = sha(password_salt + password.encode("utf-16-le")).digest()
    for i in range(spin):
        h = sha(struct.pack("<I", i) + h).digest()

    def password_key(block):
        return sha(h + bytes.fromhex(block)).digest()[:32]

    def iv_for(block):
        return sha(key_salt + bytes.fromhex(block)).digest()[:16]

    package = struct.pack("<Q", len(plain))
    for i in range(0, len(plain), 4096):
        segment = plain[i:i + 4096]
        segment += b"\0" * (-len(segment) % 16)
        package += aes_cbc(secret, sha(key_salt + struct.pack("<I", i // 4096)).digest()[:16], segment)
    hmac_value = hmac.new(hmac_key, package, sha).digest()

    def b64(data):
        return base64.b64encode(data).decode()

    params = ('saltSize="16" blockSize="16" keyBits="256" hashSize="64" cipherAlgorithm="AES" '
              'cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512"')
    xml = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
           '<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" '
           'xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password" '
           'xmlns:c="http://schemas.microsoft.com/office/2006/keyEncryptor/certificate">'
           '<keyData %s saltValue="%s"/>'
           '<dataIntegrity encryptedHmacKey="%s" encryptedHmacValue="%s"/>'
           '<keyEncryptors><keyEncryptor uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
           '<p:encryptedKey spinCount="%d" %s saltValue="%s" encryptedVerifierHashInput="%s" '
           'encryptedVerifierHashValue="%s" encryptedKeyValue="%s"/></keyEncryptor></keyEncryptors>'
           '</encryption>') % (
        params, b64(key_salt),
        b64(aes_cbc(secret, iv_for("5fb2ad010cb9e1f6"), hmac_key)),
        b64(aes_cbc(secret, iv_for("a0677f02b22c8433"), hmac_value)),
        spin, params, b64(password_salt),
        b64(aes_cbc(password_key("fea7d2763b4b9e79"), password_salt, verifier)),
        b64(aes_cbc(password_key("d7aa0f6d3061344e"), password_salt, sha(verifier).digest())),
        b64(aes_cbc(password_key("146e0be7abacd0d6"), password_salt, secret)))
    info = struct.pack("<HHI", 4, 4, 0x40) + xml.encode()
    return {"EncryptionInfo": info, "EncryptedPackage": package}


def standard(plain, password):
    """The EncryptionInfo and EncryptedPackage streams of ECMA-376 standard
    encryption (AES-128, SHA-1), as Office writes for a password to open."""
    salt, verifier = os.urandom(16), os.urandom(16)
    h = hashlib.sha1(salt + password.encode("utf-16-le")).digest()
    for i in range(50000):
        h = hashlib.sha1(struct.pack("<I", i) + h).digest()
    h = hashlib.sha1(h + struct.pack("<I", 0)).digest()
    x1 = hashlib.sha1(bytes(b ^ 0x36 for b in h.ljust(64, b"\0"))).digest()
    key = x1[:16]

    def aes(data):
        enc = Cipher(algorithms.AES(key), modes.ECB()).encryptor()
        return enc.update(data) + enc.finalize()

    csp = "Microsoft Enhanced RSA and AES Cryptographic Provider\0".encode("utf-16-le")
    header = struct.pack("<IIIIIIII", 0x24, 0, 0x660E, 0x8004, 128, 0x18, 0, 0) + csp
    info = (struct.pack("<HHII", 3, 2, 0x24, len(header)) + header + struct.pack("<I", 16) + salt +
            aes(verifier) + struct.pack("<I", 20) + aes(hashlib.sha1(verifier).digest().ljust(32, b"\0")))
    package = struct.pack("<Q", len(plain)) + aes(plain + b"\0" * (-len(plain) % 16))
    return {"EncryptionInfo": info, "EncryptedPackage": package}


def write_xlsx(name, streams, password, plain):
    path = os.path.join(HERE, name)
    biff_build.write_compound_file(path, streams)
    check_decrypts(path, password, lambda data: data.getvalue() == plain)


def check_decrypts(path, password, plain_ok):
    import msoffcrypto
    with open(path, "rb") as f:
        office = msoffcrypto.OfficeFile(f)
        office.load_key(password=password)
        out = io.BytesIO()
        office.decrypt(out)
    assert plain_ok(out), path


def write_backslash_names(plain):
    with zipfile.ZipFile(io.BytesIO(plain)) as source, \
            zipfile.ZipFile(os.path.join(HERE, "backslash_names.xlsx"), "w", zipfile.ZIP_DEFLATED) as out:
        for item in source.infolist():
            out.writestr(item.filename.replace("/", "\\"), source.read(item.filename))


def write_embedded_object(root_stream, embedded_stream):
    """A version 3 compound file whose root holds a storage "MBD0001" (an
    embedded object) with its own "Workbook", listed before the root's."""
    sector, end, free = 512, 0xFFFFFFFE, 0xFFFFFFFF
    streams = [s + b"\0" * (-len(s) % sector) for s in (embedded_stream, root_stream)]
    streams = [s.ljust(4096, b"\0") for s in streams]  # past the mini stream cutoff
    # Sector 0 holds the allocation table, sector 1 the directory.
    fat, body, starts = [0xFFFFFFFD, end], b"", []
    for data in streams:
        first = len(fat)
        count = len(data) // sector
        fat += [first + i + 1 for i in range(count - 1)] + [end]
        starts.append(first)
        body += data

    def entry(name, kind, start, size, left=free, right=free, child=free):
        encoded = (name + "\0").encode("utf-16-le")
        return (encoded.ljust(64, b"\0") + struct.pack("<HBBIII", len(encoded), kind, 1, left, right, child)
                + b"\0" * 36 + struct.pack("<III", start, size, 0))

    directory = (entry("Root Entry", 5, end, 0, child=1) + entry("MBD0001", 1, 0, 0, right=3, child=2) +
                 entry("Workbook", 2, starts[0], len(streams[0])) +
                 entry("Workbook", 2, starts[1], len(streams[1])))
    header = (b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + b"\0" * 16 +
              struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6 +
              struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, end, 0, end, 0) +
              struct.pack("<109I", 0, *([free] * 108)))
    fat_sector = struct.pack("<%dI" % len(fat), *fat).ljust(sector, b"\xff")
    with open(os.path.join(HERE, "embedded_object.xls"), "wb") as f:
        f.write(header + fat_sector + directory + body)
    with open(os.path.join(HERE, "embedded_object.xls"), "rb") as f:
        assert olefile.OleFileIO(f.read()).openstream("Workbook").read().startswith(root_stream)


def main():
    with open(os.path.join(HERE, "xlwt_basic.xls"), "rb") as f:
        stream = olefile.OleFileIO(f.read()).openstream("Workbook").read()
    # xlwt pads the stream with zeros to 4,096 bytes; it ends at the last EOF.
    stream = stream[:max(at + 4 for at, kind, _ in records(stream) if kind == 0x000A)]
    write_xls("velvet_rc4.xls", stream, VELVET, rc4_filepass)
    write_xls("velvet_cryptoapi.xls", stream, VELVET, cryptoapi_filepass)
    write_xls("typed_rc4.xls", stream, TYPED, rc4_filepass)
    with open(os.path.join(HERE, "third_column_empty.xls"), "rb") as f:
        write_embedded_object(stream, olefile.OleFileIO(f.read()).openstream("Workbook").read())
    with open(os.path.join(HERE, "basic_openpyxl.xlsx"), "rb") as f:
        plain = f.read()
    write_xlsx("velvet_standard.xlsx", standard(plain, VELVET), VELVET, plain)
    write_xlsx("velvet_agile.xlsx", agile(plain, VELVET), VELVET, plain)
    write_xlsx("typed_agile.xlsx", agile(plain, TYPED), TYPED, plain)
    write_backslash_names(plain)


if __name__ == "__main__":
    main()
