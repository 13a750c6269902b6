#include "data/workbook/biff_records.h"

namespace qh::biff {

bool RecordReader::Next(Record& record) {
  if (at_ < 0 || stream_.size() - at_ < 4) return false;
  const quint16 length = U16(stream_, at_ + 2);
  if (stream_.size() - at_ - 4 < length) return false;
  record.Type = U16(stream_, at_);
  record.Data = stream_.sliced(at_ + 4, length);
  record.Offset = at_;
  at_ += 4 + length;
  return true;
}

void RecordReader::TakeContinues(std::vector<QByteArrayView>& parts) {
  for (;;) {
    RecordReader ahead(stream_, at_);
    Record record;
    if (!ahead.Next(record) || record.Type != kContinue) return;
    parts.push_back(record.Data);
    at_ = ahead.at_;
  }
}

bool PartCursor::Ensure() {
  while (Left() == 0) {
    if (part_ + 1 >= parts_.size()) return false;
    ++part_;
    at_ = 0;
  }
  return true;
}

bool PartCursor::AtEnd() { return !Ensure(); }

bool PartCursor::Byte(quint8& value) {
  if (!Ensure()) return false;
  value = quint8(parts_[part_][at_++]);
  return true;
}

bool PartCursor::Word(quint16& value) {
  quint8 low = 0, high = 0;
  if (!Byte(low) || !Byte(high)) return false;
  value = quint16(low | (high << 8));
  return true;
}

bool PartCursor::DoubleWord(quint32& value) {
  quint16 low = 0, high = 0;
  if (!Word(low) || !Word(high)) return false;
  value = low | (quint32(high) << 16);
  return true;
}

bool PartCursor::Skip(qsizetype bytes) {
  while (bytes > 0) {
    if (!Ensure()) return false;
    const qsizetype taken = qMin(Left(), bytes);
    at_ += taken;
    bytes -= taken;
  }
  return true;
}

bool PartCursor::Characters(qsizetype count, bool wide, QString& out) {
  while (count > 0) {
    if (Left() == 0) {
      // The characters go on in the next part, behind an option byte of
      // their own: the width may change there.
      if (part_ + 1 >= parts_.size()) return false;
      ++part_;
      at_ = 0;
      quint8 options = 0;
      if (!Byte(options)) return false;
      wide = (options & 0x01) != 0;
      continue;
    }
    const QByteArrayView part = parts_[part_];
    const qsizetype taken = qMin(count, Left() / (wide ? 2 : 1));
    if (taken == 0) return false;  // half a wide character
    if (wide) {
      for (qsizetype i = 0; i < taken; ++i) out.append(QChar(U16(part, at_ + 2 * i)));
    } else {
      out.append(QLatin1StringView(part.data() + at_, taken));
    }
    at_ += taken * (wide ? 2 : 1);
    count -= taken;
  }
  return true;
}

bool PartCursor::UnicodeString(QString& out) {
  quint16 count = 0;
  return Word(count) && UnicodeStringBody(count, out);
}

bool PartCursor::UnicodeStringBody(qsizetype count, QString& out) {
  quint8 options = 0;
  if (!Byte(options)) return count == 0 && (out.clear(), true);
  quint16 runs = 0;
  quint32 phonetic = 0;
  if ((options & 0x08) && !Word(runs)) return false;
  if ((options & 0x04) && !DoubleWord(phonetic)) return false;
  out.clear();
  return Characters(count, (options & 0x01) != 0, out) && Skip(qsizetype(runs) * 4) &&
         Skip(qsizetype(phonetic));
}

bool RecordUnicodeString(QByteArrayView data, qsizetype at, bool countIsByte, QString& out) {
  const qsizetype countBytes = countIsByte ? 1 : 2;
  if (at < 0 || data.size() - at < countBytes) return false;
  const qsizetype count = countIsByte ? quint8(data[at]) : U16(data, at);
  PartCursor cursor({data.sliced(at + countBytes)});
  return cursor.UnicodeStringBody(count, out);
}

namespace {

// ICU names of the code pages old Excel files declare.
QByteArray CodePageName(quint16 codePage) {
  switch (codePage) {
    case 367:
    case 20127:
    case 1252:
    case 32769: return "windows-1252";  // also for "ASCII", whose files hold Latin-1 bytes anyway
    case 936: return "GBK";
    case 950: return "Big5";
    case 932: return "Shift_JIS";
    case 949: return "windows-949";
    case 1200:
    case 65001: return "UTF-8";
    case 10000:
    case 32768: return "macintosh";
    default: return "cp" + QByteArray::number(codePage);
  }
}

}  // namespace

void ByteTextDecoder::SetCodePage(quint16 codePage) {
  if (codePage == codePage_) return;
  codePage_ = codePage;
  decoder_.reset();
}

QString ByteTextDecoder::Decode(QByteArrayView bytes) {
  bool ascii = true;
  for (char c : bytes) {
    if (quint8(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return QString::fromLatin1(bytes.data(), bytes.size());
  if (!decoder_) {
    decoder_.emplace(CodePageName(codePage_).constData());
    // A code page this Qt cannot convert: GBK, the likeliest for our users.
    if (!decoder_->isValid()) decoder_.emplace("GBK");
  }
  if (!decoder_->isValid()) return QString::fromLatin1(bytes.data(), bytes.size());
  decoder_->resetState();
  return decoder_->decode(bytes);
}

}  // namespace qh::biff
