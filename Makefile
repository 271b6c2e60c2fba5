# Convenience wrappers around the scripts; the scripts are the reference.
.PHONY: demo test build mingw bench clean
demo:
	bash scripts/demo.sh
test:
	bash scripts/test.sh
build:
	bash scripts/build.sh release
mingw:
	bash scripts/build.sh mingw
clean:
	rm -rf build
