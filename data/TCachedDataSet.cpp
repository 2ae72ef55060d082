#include "data/TCachedDataSet.h"

namespace {
[[noreturn]] void notYet() {
    throw EDatabaseError("TCachedDataSet: not available yet");
}
}  // namespace

struct TCachedDataSet::Private {};

TCachedDataSet::TCachedDataSet(QObject* owner) : QObject(owner), d(std::make_unique<Private>()) {}
TCachedDataSet::~TCachedDataSet() = default;

QString TCachedDataSet::ProviderName() const {
    notYet();
}
void TCachedDataSet::SetProviderName(const QString&) {
    notYet();
}
QString TCachedDataSet::CommandText() const {
    notYet();
}
void TCachedDataSet::SetCommandText(const QString&) {
    notYet();
}
TParams& TCachedDataSet::Params() {
    notYet();
}
const TParams& TCachedDataSet::Params() const {
    notYet();
}
void TCachedDataSet::FetchParams() {
    notYet();
}
int TCachedDataSet::PacketRecords() const {
    notYet();
}
void TCachedDataSet::SetPacketRecords(int) {
    notYet();
}
bool TCachedDataSet::DisableStringTrim() const {
    notYet();
}
void TCachedDataSet::SetDisableStringTrim(bool) {
    notYet();
}
void TCachedDataSet::Open() {
    notYet();
}
void TCachedDataSet::Close() {
    notYet();
}
bool TCachedDataSet::Active() const {
    return false;
}
void TCachedDataSet::SetActive(bool) {
    notYet();
}
TDataSetState TCachedDataSet::State() const {
    return dsInactive;
}
int TCachedDataSet::Locale() const {
    return 0;
}
int TCachedDataSet::RecordCount() const {
    return 0;
}
int TCachedDataSet::RecNo() const {
    return 0;
}
void TCachedDataSet::SetRecNo(int) {
    notYet();
}
void TCachedDataSet::First() {
    notYet();
}
void TCachedDataSet::Last() {
    notYet();
}
void TCachedDataSet::Next() {
    notYet();
}
void TCachedDataSet::Prior() {
    notYet();
}
int TCachedDataSet::MoveBy(int) {
    notYet();
}
bool TCachedDataSet::Bof() const {
    return true;
}
bool TCachedDataSet::Eof() const {
    return true;
}
bool TCachedDataSet::IsEmpty() const {
    return true;
}
int TCachedDataSet::FieldCount() const {
    return 0;
}
TField* TCachedDataSet::Fields(int) const {
    notYet();
}
TField* TCachedDataSet::FieldByName(const QString&) const {
    notYet();
}
TField* TCachedDataSet::FindField(const QString&) const {
    return nullptr;
}
TField* TCachedDataSet::AddField(std::unique_ptr<TField>) {
    notYet();
}
bool TCachedDataSet::DefaultFields() const {
    return true;
}
QString TCachedDataSet::DisplayTextAt(int, int) const {
    notYet();
}
QString TCachedDataSet::AsStringAt(int, int) const {
    notYet();
}
bool TCachedDataSet::IsNullAt(int, int) const {
    notYet();
}
void TCachedDataSet::Append() {
    notYet();
}
void TCachedDataSet::Insert() {
    notYet();
}
void TCachedDataSet::Edit() {
    notYet();
}
void TCachedDataSet::Post() {
    notYet();
}
void TCachedDataSet::Cancel() {
    notYet();
}
void TCachedDataSet::Delete() {
    notYet();
}
bool TCachedDataSet::Modified() const {
    return false;
}
void TCachedDataSet::CheckBrowseMode() {
    notYet();
}
int TCachedDataSet::ApplyUpdates(int) {
    notYet();
}
void TCachedDataSet::CancelUpdates() {
    notYet();
}
int TCachedDataSet::ChangeCount() const {
    return 0;
}
QString TCachedDataSet::IndexFieldNames() const {
    notYet();
}
void TCachedDataSet::SetIndexFieldNames(const QString&) {
    notYet();
}
void TCachedDataSet::FindNearest(const QVariantList&) {
    notYet();
}
void TCachedDataSet::FindNearest(const QStringList&) {
    notYet();
}
