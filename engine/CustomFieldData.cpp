// The packed custom-field data of the Custom column: its parser, the field definitions and the
// texts derived from a field's name.
//
// A record: 0x11, the field id as two base-64 digits, 0x12, the value length as two base-64
// digits, then the value (its first byte is the type byte), then continuation bytes up to the
// next 0x11, up to and including a 0x01, or to the end.
#include "ExpEngine.h"

namespace {

const unsigned char kRecordStart = 0x11;
const unsigned char kSeparator = 0x12;
const unsigned char kContinuationEnd = 0x01;
const size_t kMinRecord = 7;

const char* const kTooShort = "Custom Field: Data is too short to process.";

// Appends the bytes, leaving out zero bytes.
void AppendBytes(XString& value, const unsigned char* bytes, size_t count)
{
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] == 0) {
            value.Append(reinterpret_cast<const char*>(bytes + start), i - start);
            start = i + 1;
        }
    }
    value.Append(reinterpret_cast<const char*>(bytes + start), count - start);
}

}  // namespace

bool ExpEngine::ParseCustomFieldData(XStack<CustomFieldValue>& items, const XBuffer& data)
{
    // One record per turn, so that a long value cannot exhaust the stack.
    const unsigned char* rest = data.Data();
    size_t left = data.Length();
    while (left > 0) {
        if (left < kMinRecord) {
            LogMessage(8, kTooShort);
            return false;
        }
        if (rest[0] != kRecordStart || rest[3] != kSeparator)
            LogMessage(8, "Custom Field: Data is in Bad format, custom fields may not be correct for this "
                          "student.");
        size_t skip = 0;
        while (skip + 3 < left && !(rest[skip] == kRecordStart && rest[skip + 3] == kSeparator))
            ++skip;
        if (skip + 3 >= left)
            return false;
        rest += skip;
        left -= skip;
        if (left < kMinRecord) {
            LogMessage(8, kTooShort);
            return false;
        }

        CustomFieldValue* item = new CustomFieldValue;
        item->key = XString(static_cast<unsigned>(rest[1] * 64 + rest[2]));
        item->type = rest[6];
        const size_t length = static_cast<size_t>(rest[4]) * 64 + rest[5];
        const size_t valueEnd = 6 + length;
        AppendBytes(item->value, rest + 6, (valueEnd < left ? valueEnd : left) - 6);
        if (valueEnd > left) {
            // The record claims more than there is: keep what there is, but the data is short.
            items.Push(item);
            LogMessage(8, kTooShort);
            return false;
        }
        size_t next = valueEnd;
        while (next < left && rest[next] != kRecordStart && rest[next] != kContinuationEnd)
            ++next;
        AppendBytes(item->value, rest + valueEnd, next - valueEnd);
        if (next < left && rest[next] == kContinuationEnd)
            ++next;
        items.Push(item);
        rest += next;
        left -= next;
    }
    return true;
}

const LookupEntry* ExpEngine::FindFieldInfo(const CustomFieldValue& item)
{
    const LookupEntry probe(item.key);
    return m_fieldDefinitions.Search(&probe);
}

XString ExpEngine::GetCustomFieldFormat(CustomFieldValue item)
{
    const LookupEntry* info = FindFieldInfo(item);
    if (info && (info->name.Contains("phone") || info->name.Contains("PHONE")))
        return XString("PHONE");
    return XString("NOFORMAT");
}

XString ExpEngine::ContactFieldCaption(const XString& name)
{
    static const char* const kCaptions[][2] = {
        {"_LNAME", "Last Name"},
        {"_FNAME", "First Name"},
        {"_MNAME", "Middle Name"},
        {"_CUSTODY", "Custody"},
        {"_HPHONE", "Home Phone"},
        {"_WPHONE", "Work Phone"},
        {"_RECVMAIL", "Can Rec'v Mail"},
        {"_REL", "Relation"},
        {"_STREET", "Street"},
        {"_CITY", "City"},
        {"_STATE", "State"},
        {"_ZIP", "Zip Code"},
    };
    XString upper = name;
    upper.MakeUpper();
    for (const auto& caption : kCaptions) {
        if (upper.Contains(caption[0]))
            return XString(caption[1]);
    }
    return name;
}
