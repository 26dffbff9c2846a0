#!/bin/sh
# Stands in for the program in the start-up benchmark's own check: reports its
# first expose, then aborts.
echo exposed
kill -ABRT $$
