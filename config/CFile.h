// A C runtime stream owned by its holder and closed with it.
#ifndef QUILLMERE_CONFIG_CFILE_H
#define QUILLMERE_CONFIG_CFILE_H

#include <cstdio>
#include <memory>

struct CFileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};

typedef std::unique_ptr<std::FILE, CFileCloser> CFile;

#endif
