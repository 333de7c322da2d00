#include "audiofile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "errors.h"
#include "names.h"

namespace {

std::string Extension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return QVNormalizeName(path.substr(dot + 1));
}

std::string Folder(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int QVOutputFormat(const std::string& path, const std::string& bits)
{
    const std::string ext = Extension(path);
    int iMajor = 0;
    if (ext == "wav" || ext == "wave") iMajor = SF_FORMAT_WAV;
    else if (ext == "aif" || ext == "aiff" || ext == "aifc") iMajor = SF_FORMAT_AIFF;
    else if (ext == "flac") iMajor = SF_FORMAT_FLAC;
    else if (ext == "ogg" || ext == "oga") iMajor = SF_FORMAT_OGG;
    else
        throw QVUsageError("cannot write '" + path + "': unknown output format '" +
                           (ext.empty() ? std::string("(no extension)") : "." + ext) +
                           "'; use .wav, .aiff, .flac or .ogg");

    if (iMajor == SF_FORMAT_OGG) {
        if (!bits.empty()) throw QVUsageError("--bits does not apply to OGG output (always Vorbis)");
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    }
    if (bits.empty()) return iMajor | (iMajor == SF_FORMAT_FLAC ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT);
    if (bits == "16") return iMajor | SF_FORMAT_PCM_16;
    if (bits == "24") return iMajor | SF_FORMAT_PCM_24;
    if (bits == "32f" && iMajor != SF_FORMAT_FLAC) return iMajor | SF_FORMAT_FLOAT;
    if (bits == "32f") throw QVUsageError("FLAC holds no float samples: use --bits 16 or 24 for '" + path + "'");
    throw QVUsageError("--bits " + bits + " is not a sample format; use 16, 24 or 32f");
}

std::string QVDescribeFormat(int iFormat)
{
    std::string out;
    switch (iFormat & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV: out = "WAV"; break;
    case SF_FORMAT_AIFF: out = "AIFF"; break;
    case SF_FORMAT_FLAC: out = "FLAC"; break;
    case SF_FORMAT_OGG: out = "OGG"; break;
    default: out = "audio"; break;
    }
    switch (iFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16: return out + ", 16-bit";
    case SF_FORMAT_PCM_24: return out + ", 24-bit";
    case SF_FORMAT_PCM_32: return out + ", 32-bit";
    case SF_FORMAT_FLOAT: return out + ", 32-bit float";
    case SF_FORMAT_DOUBLE: return out + ", 64-bit float";
    case SF_FORMAT_VORBIS: return out + " Vorbis";
    default: return out;
    }
}

void QVCheckOutputPath(const std::string& input, const std::string& output)
{
    struct stat folder;
    const std::string dir = Folder(output);
    if (::stat(dir.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        throw QVFileError("output folder '" + dir + "' does not exist");
    struct stat out, in;
    if (::stat(output.c_str(), &out) != 0) return; // a new file
    if (S_ISDIR(out.st_mode)) throw QVFileError("output '" + output + "' is a folder; give a file name");
    if (::stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
        throw QVFileError("output '" + output + "' is the input file; choose another output name");
}

// ---------------------------------------------------------------------------------------

CQVInputFile::CQVInputFile(const std::string& path)
    : m_Path(path), m_Info(), m_pFile(nullptr), m_dwChunkFrames(0), m_dwChunkUsed(0)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) throw QVFileError("input file '" + path + "' does not exist");
        throw QVFileError("cannot read '" + path + "': " + std::strerror(errno));
    }
    if (S_ISDIR(st.st_mode)) throw QVFileError("input '" + path + "' is a folder, not an audio file");
    if (::access(path.c_str(), R_OK) != 0)
        throw QVFileError("cannot read '" + path + "': " + std::strerror(errno));
    m_pFile = sf_open(path.c_str(), SFM_READ, &m_Info);
    if (!m_pFile)
        throw QVFileError("cannot read '" + path + "': not an audio file in a supported format (" +
                          sf_strerror(nullptr) + "); WAV, AIFF, FLAC and OGG are read");
    m_Chunk.resize(size_t(kChunkFrames + kSpareFrames) * size_t(m_Info.channels > 0 ? m_Info.channels : 1));
}

CQVInputFile::~CQVInputFile()
{
    if (m_pFile) sf_close(m_pFile);
}

bool CQVInputFile::Refill()
{
    const sf_count_t n = sf_readf_float(m_pFile, m_Chunk.data(), kChunkFrames);
    if (n < 0 || (n < sf_count_t(kChunkFrames) && sf_error(m_pFile) != SF_ERR_NO_ERROR))
        throw QVFileError("cannot read '" + m_Path + "': " + sf_strerror(m_pFile));
    // Whatever more than a chunk a decoder claims beyond the spare room is not there.
    m_dwChunkFrames = uint32_t(std::min<sf_count_t>(n, kChunkFrames + kSpareFrames));
    m_dwChunkUsed = 0;
    return m_dwChunkFrames > 0;
}

uint32_t CQVInputFile::Read(float* pfFrames, uint32_t dwFrames)
{
    const size_t channels = size_t(m_Info.channels);
    uint32_t dwDone = 0;
    while (dwDone < dwFrames) {
        if (m_dwChunkUsed == m_dwChunkFrames && !Refill()) break;
        const uint32_t n = std::min(dwFrames - dwDone, m_dwChunkFrames - m_dwChunkUsed);
        std::copy_n(m_Chunk.data() + m_dwChunkUsed * channels, n * channels, pfFrames + dwDone * channels);
        m_dwChunkUsed += n;
        dwDone += n;
    }
    return dwDone;
}

// ---------------------------------------------------------------------------------------

CQVAtomicOutput::CQVAtomicOutput(const std::string& target, int iFormat, uint32_t dwRate, uint32_t dwChannels)
    : m_Target(target), m_iFd(-1), m_pFile(nullptr)
{
    SF_INFO info = SF_INFO();
    info.samplerate = int(dwRate);
    info.channels = int(dwChannels);
    info.format = iFormat;
    if (!sf_format_check(&info))
        throw QVFileError("cannot write '" + target + "' as " + QVDescribeFormat(iFormat) + " at " +
                          std::to_string(dwRate) + " Hz with " + std::to_string(dwChannels) + " channel(s)");

    std::string pattern = Folder(target) + "/." + BaseName(target) + ".quillmark-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    m_iFd = ::mkstemp(name.data());
    if (m_iFd < 0) throw QVFileError("cannot write beside '" + target + "': " + std::strerror(errno));
    m_TempPath = name.data();

    // mkstemp creates the file private; give it the mode an ordinary new file gets, or the
    // mode of the file it is going to replace.
    struct stat existing;
    mode_t mode;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(m_iFd, mode) != 0) { /* the private mode is still a working file */ }

    m_pFile = sf_open_fd(m_iFd, SFM_WRITE, &info, SF_FALSE);
    if (!m_pFile) {
        const std::string why = sf_strerror(nullptr);
        Discard();
        throw QVFileError("cannot write '" + target + "': " + why);
    }
    // Integer formats: clip out-of-range samples instead of letting them wrap around.
    sf_command(m_pFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

CQVAtomicOutput::~CQVAtomicOutput() { Discard(); }

void CQVAtomicOutput::Discard()
{
    if (m_pFile) sf_close(m_pFile);
    m_pFile = nullptr;
    if (m_iFd >= 0) ::close(m_iFd);
    m_iFd = -1;
    if (!m_TempPath.empty()) ::unlink(m_TempPath.c_str());
    m_TempPath.clear();
}

void CQVAtomicOutput::Write(const float* pfFrames, uint32_t dwFrames)
{
    if (sf_writef_float(m_pFile, pfFrames, dwFrames) != sf_count_t(dwFrames))
        throw QVFileError("cannot write '" + m_Target + "': " + sf_strerror(m_pFile));
}

void CQVAtomicOutput::Commit()
{
    const int iClose = sf_close(m_pFile);
    m_pFile = nullptr;
    if (iClose != 0) throw QVFileError("cannot write '" + m_Target + "': " + sf_error_number(iClose));
    if (::fsync(m_iFd) != 0 || ::close(m_iFd) != 0) {
        m_iFd = -1;
        throw QVFileError("cannot write '" + m_Target + "': " + std::strerror(errno));
    }
    m_iFd = -1;
    if (::rename(m_TempPath.c_str(), m_Target.c_str()) != 0)
        throw QVFileError("cannot replace '" + m_Target + "': " + std::strerror(errno));
    m_TempPath.clear();
}
