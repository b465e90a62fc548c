// Files through the real file system under the working folder, with Windows' sharing
// rules and file mappings.
#include <fcntl.h>
#include <iconv.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <set>

#include "platform/headless/internal.h"

namespace os {

struct OsFile {
  int fd = -1;
  DWORD access = 0;
  std::shared_ptr<struct ShareEntry> share;
};

struct ShareEntry {
  dev_t dev = 0;
  ino_t ino = 0;
  DWORD access = 0;
  DWORD share = 0;
  std::string path;  // POSIX, for the write steps that name the file
};

struct OsMapping {
  int fd = -1;
  size_t size = 0;
  bool writable = false;
  std::shared_ptr<ShareEntry> share;
};

}  // namespace os

namespace headless {

bool Recode(const std::string& in, const char* to, const char* from, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string buffer(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = buffer.data();
  size_t dstLeft = buffer.size();
  size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  if (r != static_cast<size_t>(-1)) r = iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || srcLeft != 0) return false;
  buffer.resize(buffer.size() - dstLeft);
  *out = buffer;
  return true;
}

namespace {

struct View {
  size_t size;
  bool writable;
  std::shared_ptr<ShareEntry> share;  // a view keeps the file open, as on Windows
};

std::set<OsFile*> files;
std::set<OsMapping*> mappings;
std::map<void*, View> views;
std::vector<std::weak_ptr<ShareEntry>> shares;

// Text that does not convert stays the bytes it was.
std::string Convert(const std::string& in, const char* to, const char* from) {
  std::string out;
  return Recode(in, to, from, &out) ? out : in;
}

std::string Utf8FromSjis(const std::string& in) { return Convert(in, "UTF-8", "CP932"); }
std::string SjisFromUtf8(const std::string& in) { return Convert(in, "CP932", "UTF-8"); }

// Windows' sharing check: every open of the file must allow what the others do.
bool SharingAllows(const struct stat& st, DWORD access, DWORD share) {
  for (auto& weak : shares) {
    auto e = weak.lock();
    if (!e || e->dev != st.st_dev || e->ino != st.st_ino) continue;
    if ((access & GENERIC_READ) && !(e->share & FILE_SHARE_READ)) return false;
    if ((access & GENERIC_WRITE) && !(e->share & FILE_SHARE_WRITE)) return false;
    if ((e->access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
    if ((e->access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
  }
  return true;
}

bool IsOpen(const std::string& posix) {
  struct stat st {};
  if (stat(posix.c_str(), &st) != 0) return false;
  for (auto& weak : shares)
    if (auto e = weak.lock(); e && e->dev == st.st_dev && e->ino == st.st_ino) return true;
  return false;
}

// A write step done: tell the test that watches them.
void Wrote(const char* call, const std::string& path) {
  if (S().fileWriteObserver) S().fileWriteObserver(desktop::FileWrite{call, path});
}

// Takes the growth of a file from `from` to `to` bytes from the free space of the disk,
// or gives a cut back; false, taking nothing, when the disk has not that much free.
bool TakeDiskSpace(off_t from, off_t to) {
  int64_t& left = S().diskFree;
  if (left < 0) return true;
  const int64_t growth = static_cast<int64_t>(to) - static_cast<int64_t>(from);
  if (growth > left) return false;
  left -= growth;
  return true;
}

// The bytes of a write of n that reach the file before the stop a test set (all of them
// when it set none); once the stop is reached nothing more does.
size_t Allowed(size_t n) {
  State& s = S();
  if (s.writesStopped) return 0;
  size_t k = n;
  if (s.writesLeft >= 0) {
    k = std::min(n, static_cast<size_t>(s.writesLeft));
    s.writesLeft -= static_cast<int64_t>(k);
    if (s.writesLeft == 0) s.writesStopped = true;
  }
  s.bytesWritten += k;
  return k;
}

bool Stopped() { return S().writesStopped; }

// A change made at once (a file created, cut, grown, deleted) counts as one byte.
bool AtOnce() { return Allowed(1) == 1; }

off_t SizeOf(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 ? st.st_size : 0;
}

// The read-only attribute is a file with no write permission left.
bool IsReadOnly(const struct stat& st) { return (st.st_mode & 0222) == 0; }

void MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      std::string part = path.substr(0, i);
      mkdir(part.c_str(), 0777);
    }
  }
}

}  // namespace

std::string PosixPath(const char* path) {
  std::string mapped;
  const std::string in = path ? path : "";
  for (size_t i = 0; i < in.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(in[i]);
    if (IsLead(b) && i + 1 < in.size()) {
      // A trail byte may be 0x5C ("表" is 0x95 0x5C): it is part of the character.
      mapped.push_back(in[i]);
      mapped.push_back(in[i + 1]);
      ++i;
    } else {
      mapped.push_back(b == '\\' ? '/' : in[i]);
    }
  }
  // A drive letter stays inside the working folder: the sandbox is the whole disk here.
  if (mapped.size() >= 2 && mapped[1] == ':' &&
      ((mapped[0] >= 'A' && mapped[0] <= 'Z') || (mapped[0] >= 'a' && mapped[0] <= 'z')))
    mapped = mapped.substr(2);
  std::string utf8 = Utf8FromSjis(mapped);
  if (!utf8.empty() && utf8[0] == '/') return utf8;
  return S().config.workingFolder + "/" + utf8;
}

void ResetFiles() {
  for (OsFile* f : files) {
    if (f->fd >= 0) close(f->fd);
    delete f;
  }
  files.clear();
  for (OsMapping* m : mappings) {
    if (m->fd >= 0) close(m->fd);
    delete m;
  }
  mappings.clear();
  for (auto& v : views) munmap(v.first, v.second.size);
  views.clear();
  shares.clear();
}

void EnsureFolder(const std::string& posix) { MakeFolders(posix); }

}  // namespace headless

namespace os {

using namespace headless;

FileHandle CreateFile(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD) {
  if (!path || !*path || Stopped()) return nullptr;
  std::string p = PosixPath(path);
  struct stat st {};
  bool exists = stat(p.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return nullptr;
  if (exists && !SharingAllows(st, access, share)) return nullptr;  // ERROR_SHARING_VIOLATION
  const bool replaces = disposition == CREATE_ALWAYS || disposition == 5;  // or TRUNCATE_EXISTING
  if (exists && IsReadOnly(st) && ((access & GENERIC_WRITE) || replaces))
    return nullptr;  // ERROR_ACCESS_DENIED
  int flags = 0;
  if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
    flags = O_RDWR;
  else if (access & GENERIC_WRITE)
    flags = O_WRONLY;
  else
    flags = O_RDONLY;
  switch (disposition) {
    case CREATE_NEW:
      if (exists) return nullptr;
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
      flags |= O_CREAT | O_TRUNC;
      break;
    case OPEN_EXISTING:
      if (!exists) return nullptr;
      break;
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    case 5:  // TRUNCATE_EXISTING
      if (!exists || !(access & GENERIC_WRITE)) return nullptr;
      flags |= O_TRUNC;
      break;
    default:
      return nullptr;
  }
  // Creating or truncating needs write access to the file on POSIX; Windows allows
  // CREATE_ALWAYS with read access only, so open for writing when the file is made.
  if ((flags & (O_CREAT | O_TRUNC)) && (flags & O_ACCMODE) == O_RDONLY && !exists) {
    int made = open(p.c_str(), O_WRONLY | O_CREAT, 0666);
    if (made < 0) return nullptr;
    close(made);
    flags &= ~(O_CREAT | O_EXCL);
  }
  const off_t sizeBefore = exists ? st.st_size : 0;
  const bool creates = !exists && disposition != OPEN_EXISTING;
  if ((creates || (exists && replaces && sizeBefore > 0)) && !AtOnce()) return nullptr;
  int fd = open(p.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  if (fstat(fd, &st) != 0) {
    close(fd);
    return nullptr;
  }
  if (!exists || st.st_size != sizeBefore) {
    TakeDiskSpace(sizeBefore, st.st_size);  // a truncation gives back
    Wrote("CreateFile", p);
  }
  auto entry = std::make_shared<ShareEntry>();
  entry->dev = st.st_dev;
  entry->ino = st.st_ino;
  entry->access = access;
  entry->share = share;
  entry->path = p;
  // Handles closed long ago would make every later sharing check slower.
  std::erase_if(shares, [](const std::weak_ptr<ShareEntry>& e) { return e.expired(); });
  shares.push_back(entry);
  OsFile* f = new OsFile;
  f->fd = fd;
  f->access = access;
  f->share = entry;
  files.insert(f);
  return f;
}

BOOL CloseHandle(FileHandle f) {
  if (!f || !files.count(f)) return FALSE;
  close(f->fd);
  const bool writer = (f->access & GENERIC_WRITE) != 0;
  const std::string path = f->share->path;
  files.erase(f);
  delete f;
  if (writer) Wrote("CloseHandle", path);
  return TRUE;
}

DWORD GetFileSize(FileHandle f) {
  if (!f || !files.count(f)) return INVALID_FILE_SIZE;
  struct stat st {};
  if (fstat(f->fd, &st) != 0) return INVALID_FILE_SIZE;
  return static_cast<DWORD>(st.st_size);
}

BOOL ReadFile(FileHandle f, void* buffer, DWORD size, DWORD* read) {
  if (read) *read = 0;
  if (!f || !files.count(f) || !(f->access & GENERIC_READ) || (!buffer && size)) return FALSE;
  size_t total = 0;
  while (total < size) {
    ssize_t n = ::read(f->fd, static_cast<char*>(buffer) + total, size - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FALSE;
    }
    if (n == 0) break;
    total += static_cast<size_t>(n);
  }
  if (read) *read = static_cast<DWORD>(total);
  return TRUE;
}

BOOL WriteFile(FileHandle f, const void* buffer, DWORD size, DWORD* written) {
  if (written) *written = 0;
  if (!f || !files.count(f) || !(f->access & GENERIC_WRITE) || (!buffer && size)) return FALSE;
  const off_t at = lseek(f->fd, 0, SEEK_CUR);
  const off_t before = SizeOf(f->fd);
  const off_t after = std::max(before, at + static_cast<off_t>(size));
  if (at < 0 || Stopped() || !TakeDiskSpace(before, after)) return FALSE;
  const size_t reaching = Allowed(size);
  size_t total = 0;
  while (total < reaching) {
    ssize_t n = ::write(f->fd, static_cast<const char*>(buffer) + total, reaching - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FALSE;
    }
    total += static_cast<size_t>(n);
  }
  if (written) *written = static_cast<DWORD>(total);
  if (total < size) return FALSE;
  Wrote("WriteFile", f->share->path);
  return TRUE;
}

DWORD SetFilePointer(FileHandle f, LONG distance, DWORD method) {
  constexpr DWORD kInvalid = 0xFFFFFFFF;  // INVALID_SET_FILE_POINTER
  if (!f || !files.count(f)) return kInvalid;
  int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  if (method > FILE_END) return kInvalid;
  off_t at = lseek(f->fd, distance, whence);
  if (at < 0) return kInvalid;
  return static_cast<DWORD>(at);
}

BOOL SetEndOfFile(FileHandle f) {
  if (!f || !files.count(f) || !(f->access & GENERIC_WRITE)) return FALSE;
  off_t at = lseek(f->fd, 0, SEEK_CUR);
  const off_t before = SizeOf(f->fd);
  if (at < 0 || Stopped() || !TakeDiskSpace(before, at)) return FALSE;
  if (at != before && !AtOnce()) return FALSE;
  if (ftruncate(f->fd, at) != 0) {
    TakeDiskSpace(at, before);
    return FALSE;
  }
  Wrote("SetEndOfFile", f->share->path);
  return TRUE;
}

Mapping CreateFileMapping(FileHandle f, DWORD protect, DWORD size) {
  if (!f || !files.count(f) || Stopped()) return nullptr;
  bool writable = protect == PAGE_READWRITE;
  if (!writable && protect != PAGE_READONLY) return nullptr;
  if (writable && !(f->access & GENERIC_WRITE)) return nullptr;
  if (!(f->access & GENERIC_READ)) return nullptr;
  struct stat st {};
  if (fstat(f->fd, &st) != 0) return nullptr;
  size_t fileSize = static_cast<size_t>(st.st_size);
  size_t mapSize = size ? size : fileSize;
  if (mapSize == 0) return nullptr;  // Windows cannot map an empty file
  if (mapSize > fileSize) {
    if (!writable) return nullptr;
    // A writable mapping larger than the file grows the file.
    const off_t grown = static_cast<off_t>(mapSize);
    if (!TakeDiskSpace(st.st_size, grown)) return nullptr;
    if (!AtOnce()) return nullptr;
    if (ftruncate(f->fd, grown) != 0) {
      TakeDiskSpace(grown, st.st_size);
      return nullptr;
    }
    Wrote("CreateFileMapping", f->share->path);
  }
  int fd = dup(f->fd);
  if (fd < 0) return nullptr;
  OsMapping* m = new OsMapping;
  m->fd = fd;
  m->size = mapSize;
  m->writable = writable;
  m->share = f->share;
  mappings.insert(m);
  return m;
}

void* MapViewOfFile(Mapping m, DWORD access, DWORD size) {
  if (!m || !mappings.count(m) || Stopped()) return nullptr;
  bool write = (access & FILE_MAP_WRITE) != 0;
  if (write && !m->writable) return nullptr;
  size_t n = size ? size : m->size;
  if (n > m->size) return nullptr;
  void* p = mmap(nullptr, n, PROT_READ | (write ? PROT_WRITE : 0), MAP_SHARED, m->fd, 0);
  if (p == MAP_FAILED) return nullptr;
  views[p] = View{n, write, m->share};
  return p;
}

BOOL FlushViewOfFile(const void* base, size_t bytes) {
  // Any address inside a view will do, as on Windows; 0 bytes runs to the view's end.
  if (Stopped()) return FALSE;
  auto it = views.upper_bound(const_cast<void*>(base));
  if (it == views.begin()) return FALSE;
  --it;
  const char* start = static_cast<const char*>(it->first);
  const size_t offset = static_cast<size_t>(static_cast<const char*>(base) - start);
  if (offset >= it->second.size) return FALSE;
  if (bytes == 0 || bytes > it->second.size - offset) bytes = it->second.size - offset;
  // The page cache already shows the bytes to every reader; msync starts the write to
  // the device, as FlushViewOfFile does.
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t from = offset / page * page;
  msync(const_cast<char*>(start) + from, offset + bytes - from, MS_ASYNC);
  if (it->second.writable) Wrote("FlushViewOfFile", it->second.share->path);
  return TRUE;
}

BOOL FlushFileBuffers(FileHandle f) {
  if (!f || !files.count(f) || !(f->access & GENERIC_WRITE) || Stopped()) return FALSE;
  // The page cache stands for the disk here (a kill loses nothing that reached it), so
  // the wait for the device is only made when asked for, as the benchmarks do.
  if (S().syncToDevice && fdatasync(f->fd) != 0) return FALSE;
  Wrote("FlushFileBuffers", f->share->path);
  return TRUE;
}

void MoveMemory(void* destination, const void* source, size_t length) {
  auto* to = static_cast<char*>(destination);
  const auto* from = static_cast<const char*>(source);
  auto it = views.upper_bound(destination);
  const bool intoView = it != views.begin() && std::prev(it)->second.writable &&
                        to < static_cast<char*>(std::prev(it)->first) + std::prev(it)->second.size;
  if (!intoView) {
    std::memmove(to, from, length);
    return;
  }
  // A kill stops the copy where it has come to: a move towards the start copies from
  // the front, a move towards the end from the back.
  const size_t done = Allowed(length);
  if (to <= from)
    std::memmove(to, from, done);
  else
    std::memmove(to + length - done, from + length - done, done);
}

BOOL UnmapViewOfFile(void* view) {
  auto it = views.find(view);
  if (it == views.end()) return FALSE;
  munmap(view, it->second.size);
  const bool writable = it->second.writable;
  const std::string path = it->second.share->path;
  views.erase(it);
  if (writable) Wrote("UnmapViewOfFile", path);
  return TRUE;
}

BOOL CloseMapping(Mapping m) {
  if (!m || !mappings.count(m)) return FALSE;
  close(m->fd);
  mappings.erase(m);
  delete m;
  return TRUE;
}

void* GlobalAllocZero(size_t size) { return calloc(size ? size : 1, 1); }
void* GlobalAllocUnfilled(size_t size) { return malloc(size ? size : 1); }
void GlobalFree(void* block) { free(block); }

BOOL CreateDirectory(const char* path) {
  if (!path || !*path || Stopped() || !AtOnce()) return FALSE;
  return mkdir(PosixPath(path).c_str(), 0777) == 0 ? TRUE : FALSE;
}

DWORD GetFileAttributes(const char* path) {
  if (!path || !*path) return INVALID_FILE_ATTRIBUTES;
  struct stat st {};
  if (stat(PosixPath(path).c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
  return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
}

BOOL CopyFile(const char* from, const char* to, BOOL failIfExists) {
  if (!from || !to) return FALSE;
  std::string src = PosixPath(from), dst = PosixPath(to);
  struct stat st {};
  if (stat(src.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return FALSE;
  if (failIfExists && access(dst.c_str(), F_OK) == 0) return FALSE;
  if (Stopped() || !AtOnce()) return FALSE;
  struct stat old {};
  const bool replaces = stat(dst.c_str(), &old) == 0;
  if (replaces && (S_ISDIR(old.st_mode) || IsReadOnly(old))) return FALSE;
  if (!TakeDiskSpace(replaces ? old.st_size : 0, st.st_size)) return FALSE;
  int in = open(src.c_str(), O_RDONLY);
  if (in < 0) return FALSE;
  int out = open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0) {
    close(in);
    return FALSE;
  }
  char buffer[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (write(out, buffer, static_cast<size_t>(n)) != n) {
      ok = false;
      break;
    }
  }
  close(in);
  close(out);
  if (ok) Wrote("CopyFile", dst);
  return ok ? TRUE : FALSE;
}

BOOL DeleteFile(const char* path) {
  if (!path || !*path) return FALSE;
  std::string p = PosixPath(path);
  // An open file cannot be deleted (nobody here opens with FILE_SHARE_DELETE).
  if (IsOpen(p)) return FALSE;
  struct stat st {};
  if (stat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || IsReadOnly(st)) return FALSE;
  if (Stopped() || !AtOnce()) return FALSE;
  if (unlink(p.c_str()) != 0) return FALSE;
  if (st.st_nlink == 1) TakeDiskSpace(st.st_size, 0);
  Wrote("DeleteFile", p);
  return TRUE;
}

DWORD SearchPath(const char* path, const char* fileName, const char* extension, DWORD size,
                 char* buffer, char** filePart) {
  if (!fileName || !*fileName) return 0;
  std::string name = fileName;
  if (extension && *extension) {
    // The extension is added only when the name has none.
    size_t slash = name.find_last_of("\\/");
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) name += extension;
  }
  // With no path the search covers the working folder (which is also the program's).
  std::string folder = path && *path ? std::string(path) : std::string();
  std::string full = folder.empty() ? name : folder + "\\" + name;
  std::string posix = PosixPath(full.c_str());
  struct stat st {};
  if (stat(posix.c_str(), &st) != 0) return 0;
  std::string result = SjisFromUtf8(posix);
  for (size_t i = 0; i < result.size(); ++i) {
    if (IsLead(static_cast<unsigned char>(result[i]))) {
      ++i;
      continue;
    }
    if (result[i] == '/') result[i] = '\\';
  }
  DWORD needed = static_cast<DWORD>(result.size());
  if (!buffer || size <= needed) return needed + 1;  // the size needed, NUL included
  std::memcpy(buffer, result.c_str(), result.size() + 1);
  if (filePart) {
    size_t cut = result.find_last_of('\\');
    *filePart = buffer + (cut == std::string::npos ? 0 : cut + 1);
  }
  return needed;
}

}  // namespace os

namespace desktop {

using namespace headless;

void WriteFile(const std::string& name, const std::string& bytes) {
  std::string p = PosixPath(name.c_str());
  size_t slash = p.find_last_of('/');
  if (slash != std::string::npos) MakeFolders(p.substr(0, slash));
  int fd = open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
}

std::string ReadFile(const std::string& name) {
  std::string p = PosixPath(name.c_str());
  int fd = open(p.c_str(), O_RDONLY);
  if (fd < 0) return std::string();
  std::string out;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return out;
}

void SetFileWriteObserver(std::function<void(const FileWrite&)> observer) {
  S().fileWriteObserver = std::move(observer);
}

void SetDiskFree(int64_t bytes) { S().diskFree = bytes < 0 ? -1 : bytes; }

void StopWritesAfter(int64_t bytes) {
  S().writesLeft = bytes < 0 ? -1 : bytes;
  S().writesStopped = bytes == 0;
}

bool WritesStopped() { return S().writesStopped; }
void SetSyncToDevice(bool sync) { S().syncToDevice = sync; }
uint64_t BytesWritten() { return S().bytesWritten; }

void SetReadOnly(const std::string& name, bool readOnly) {
  chmod(PosixPath(name.c_str()).c_str(), readOnly ? 0444 : 0666);
}

bool FileExists(const std::string& name) {
  struct stat st {};
  return stat(PosixPath(name.c_str()).c_str(), &st) == 0;
}

std::string Utf8FromShiftJis(const std::string& sjis) { return headless::Utf8FromSjis(sjis); }

}  // namespace desktop
