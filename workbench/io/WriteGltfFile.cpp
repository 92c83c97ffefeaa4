#include "workbench/io/WriteGltfFile.h"

#include <stdio.h>

#include <new>
#include <ostream>
#include <streambuf>

#include "workbench/io/FileAccess.h"
#include "workbench/io/SceneFile.h"

namespace wb {
namespace detail {

namespace {

// The bytes tinygltf writes, into the file: the document is not held in memory a second time
// (and a third, as a string stream's text) before it is written.
class FileOutput : public std::streambuf {
public:
    explicit FileOutput(const std::string& path) : path_(path) {}
    ~FileOutput() override {
        if (file_) fclose(file_);
    }

    // Closes the file (made empty if nothing was written); false when any write failed.
    bool close() {
        if (!file_ && ok_) ok_ = (file_ = wb::OpenFile(path_, "wb")) != nullptr;
        if (file_ && fclose(file_) != 0) ok_ = false;
        file_ = nullptr;
        return ok_;
    }

protected:
    std::streamsize xsputn(const char* bytes, std::streamsize n) override {
        if (ok_ && !file_) ok_ = (file_ = wb::OpenFile(path_, "wb")) != nullptr;
        ok_ = ok_ && fwrite(bytes, 1, static_cast<size_t>(n), file_) == static_cast<size_t>(n);
        return ok_ ? n : 0;
    }
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        const char byte = traits_type::to_char_type(ch);
        return xsputn(&byte, 1) == 1 ? ch : traits_type::eof();
    }

private:
    std::string path_;
    FILE* file_ = nullptr;
    bool ok_ = true;
};

}  // namespace

bool WriteGltfFile(tinygltf::Model* model, const std::string& file, bool binary, std::string* error) {
    FileOutput output(file);
    std::ostream stream(&output);
    try {
        tinygltf::TinyGLTF writer;
        if (!writer.WriteGltfSceneToStream(model, stream, /*prettyPrint=*/!binary, binary))
            return Fail(error, file + ": glTF could not be written");
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        return Fail(error, file + ": glTF could not be written (" + e.what() + ")");
    }
    if (!output.close()) return Fail(error, file + ": cannot be written");
    return true;
}

}  // namespace detail
}  // namespace wb
