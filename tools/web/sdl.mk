# SDL2 and SDL_mixer for the browser, as static libraries, compiled straight
# from Debian's source trees with emcc: SDL's own configure step under
# Emscripten runs for many minutes, and this needs none. tools/web.sh runs it:
#
#   make -f tools/web/sdl.mk -j2 O=build/web SDL_SRC=... MIXER_SRC=...
#
# Out: $(O)/sdl/include/SDL2/*.h (SDL's headers with our SDL_config.h, and
# SDL_mixer.h) and $(O)/sdl/lib/libSDL2.a, libSDL2_mixer.a. Objects keep
# their dependencies (-MMD), so a second run compiles nothing.

.SECONDEXPANSION:
O ?= build/web
HERE := $(patsubst %/,%,$(dir $(lastword $(MAKEFILE_LIST))))
PREFIX := $(O)/sdl
INC := $(PREFIX)/include/SDL2
LIB := $(PREFIX)/lib
OBJ := $(O)/obj

ifeq ($(SDL_SRC),)
$(error SDL_SRC must name SDL2's source tree)
endif
ifeq ($(MIXER_SRC),)
$(error MIXER_SRC must name SDL_mixer's source tree)
endif

# V=1 shows every command.
Q := $(if $(V),,@)
EMCC ?= emcc
EMAR ?= emar
EMRANLIB ?= emranlib

# The headers first: emcc puts its SDL 1.2 headers on the search path too.
SDL_CFLAGS := -I$(INC) -O2 -DNDEBUG -fno-strict-aliasing -Wno-deprecated-declarations
MIXER_CFLAGS := -I$(INC) -I$(MIXER_SRC)/src -I$(MIXER_SRC)/src/codecs -O2 -DNDEBUG \
                -DMUSIC_WAV

sources = $(shell sed -e 's/\#.*//' -e '/^[[:space:]]*$$/d' $(1))
SDL_FILES := $(call sources,$(HERE)/sdl/sources.txt)
MIXER_FILES := $(call sources,$(HERE)/sdl/mixer-sources.txt)
SDL_OBJS := $(patsubst %.c,$(OBJ)/sdl2/%.o,$(SDL_FILES))
MIXER_OBJS := $(patsubst %.c,$(OBJ)/mixer/%.o,$(MIXER_FILES))

HEADERS_STAMP := $(INC)/.installed

CMAKE_CONFIGS := $(LIB)/cmake/SDL2/SDL2Config.cmake $(LIB)/cmake/SDL2/SDL2-library-funcs.txt $(LIB)/cmake/SDL2_mixer/SDL2_mixerConfig.cmake

.PHONY: all
all: $(LIB)/libSDL2.a $(LIB)/libSDL2_mixer.a $(CMAKE_CONFIGS)

# For find_package() in the game's CMake build.
$(LIB)/cmake/%: $(HERE)/cmake/$$(notdir %)
	@mkdir -p $(@D)
	$(Q)cp $< $@

# SDL's public headers with our configuration in place of SDL_config.h.
$(HEADERS_STAMP): $(HERE)/sdl/SDL_config.h
	@mkdir -p $(INC)
	$(Q)cp $(SDL_SRC)/include/*.h $(INC)/
	$(Q)cp $(HERE)/sdl/SDL_config.h $(INC)/SDL_config.h
	$(Q)cp $(MIXER_SRC)/include/SDL_mixer.h $(INC)/
	@touch $@

$(OBJ)/sdl2/%.o: $(SDL_SRC)/%.c $(HEADERS_STAMP)
	@mkdir -p $(@D)
	$(Q)$(EMCC) $(SDL_CFLAGS) -MMD -MP -c $< -o $@

$(OBJ)/mixer/%.o: $(MIXER_SRC)/%.c $(HEADERS_STAMP)
	@mkdir -p $(@D)
	$(Q)$(EMCC) $(MIXER_CFLAGS) -MMD -MP -c $< -o $@

$(LIB)/libSDL2.a: $(SDL_OBJS)
	@mkdir -p $(@D)
	@echo "web: $(@F), $(words $^) objects"
	$(Q)rm -f $@
	$(Q)$(EMAR) cr $@ $^
	$(Q)$(EMRANLIB) $@

$(LIB)/libSDL2_mixer.a: $(MIXER_OBJS)
	@mkdir -p $(@D)
	@echo "web: $(@F), $(words $^) objects"
	$(Q)rm -f $@
	$(Q)$(EMAR) cr $@ $^
	$(Q)$(EMRANLIB) $@

-include $(SDL_OBJS:.o=.d) $(MIXER_OBJS:.o=.d)
