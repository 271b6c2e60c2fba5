# Convenience wrappers around the scripts; the scripts are the reference.
.PHONY: demo test build package mingw mingw32 bench clean
demo:
	bash scripts/demo.sh
test:
	bash scripts/test.sh
build:
	bash scripts/build.sh release
package:
	bash scripts/package.sh
mingw:
	bash scripts/build.sh mingw
mingw32:
	bash scripts/build.sh mingw32
clean:
	rm -rf build
